# Sourced by the scripts that run Windows programs under Wine (the Windows stage, the Windows
# start-up benchmark). make_wine_prefix LOG makes a fresh prefix in $WINEPREFIX, leaves a
# persistent Wine server running for it and gives it the font replacements of
# scripts/wine-fonts.reg; what Wine says goes to LOG. Returns non-zero when the prefix cannot be
# made. Call from the top of the clone.
make_wine_prefix() {
  local log=$1
  # A server still running for an earlier prefix in the same place would outlive its folder.
  if [ -d "$WINEPREFIX" ]; then
    wineserver -k 2> /dev/null || true
  fi
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  # The server is started here, not by the first program: a server started by a program holds
  # that program's output open (and CTest would wait for it forever).
  wineserver -p
  wine wineboot --init > "$log" 2>&1 || return 1
  # A prefix that was just made starts its services properly only from its next boot: without
  # the RPC service, the desktop process that every program's first window starts would wait
  # ten seconds for it.
  wineserver -k
  wineserver -p
  wine wineboot >> "$log" 2>&1 || return 1
  wine reg import scripts/wine-fonts.reg >> "$log" 2>&1
}
