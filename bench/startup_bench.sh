#!/usr/bin/env bash
# Start-up benchmark: the time from starting the program until its main window is mapped, on
# a first start (a registry store holding only "NoUpdate") and on later starts, against a window
# with one line of text linked against the update's libraries as the program is, built in the
# same tree. Both must stay under 1.2 times that window; the script prints the medians and ratios
# and exits 1 when a ratio is above the limit.
#
#   bench/startup_bench.sh [BUILD_DIR] [RUNS]
#
# BUILD_DIR is a build with -DRANGWERK_BUILD_BENCH=ON (default build/bench; targets rangwerk,
# bare_window, label_window, label_window_update_libraries and startup_probe). The bare window
# and the bare window with one line of text (which starts the font configuration and the
# accessibility bridge) are printed for reference. Runs on its own Xvfb display; the program keeps its
# registry in a throwaway RANGWERK_REGISTRY_DIR and its other files in a throwaway home.
set -euo pipefail

# A desktop session has a message bus, and the windows' accessibility bridge connects to it
# when the first text is set. Without one, that connection starts dbus-launch on the spot, a
# cost no desktop user pays: the measurement runs with a bus of its own.
if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ] && command -v dbus-run-session >/dev/null; then
  exec dbus-run-session -- "$0" "$@" 2> >(grep -v "Failed to set fd limit" >&2)
fi

BUILD=${1:-build/bench}
RUNS=${2:-11}
LIMIT=1.2

PROGRAM=$BUILD/app/rangwerk
BARE=$BUILD/bench/bare_window
PROBE=$BUILD/bench/startup_probe
LABEL=$BUILD/bench/label_window
LABEL_LIBRARIES=$BUILD/bench/label_window_update_libraries

# What the registry store holds before a "first start", as HKEY_LOCAL_MACHINE.reg in the
# export format of the registry editor: only "NoUpdate", so that the update wizard, which a
# first start would otherwise show before the main window, stays away. The uninstall entry and
# the rest are written as on the very first start.
FIRST_START_REGISTRY='[HKEY_LOCAL_MACHINE\Software\Quarv\Rangwerk]
"NoUpdate"=""'

for file in "$PROGRAM" "$BARE" "$PROBE" "$LABEL" "$LABEL_LIBRARIES"; do
  if [ ! -x "$file" ]; then
    echo "missing $file: cmake --build $BUILD --target rangwerk bare_window label_window" \
      "label_window_update_libraries startup_probe" >&2
    exit 2
  fi
done

work=$(mktemp -d)
. "$(dirname "$0")/../scripts/own-display.sh"
cleanup() {
  stop_own_display
  rm -rf "$work"
}
trap cleanup EXIT
start_own_display "$work" || exit 2

export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
export XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

# A fresh registry store, holding FIRST_START_REGISTRY when it is set.
fresh_store() {
  local store=$work/registry-$1
  mkdir -p "$store"
  if [ -n "$FIRST_START_REGISTRY" ]; then
    printf 'Windows Registry Editor Version 5.00\n\n%s\n' "$FIRST_START_REGISTRY" \
      >"$store/HKEY_LOCAL_MACHINE.reg"
  fi
  echo "$store"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Warm the file cache for all programs first.
"$PROBE" "$BARE" >/dev/null
"$PROBE" "$LABEL" >/dev/null
"$PROBE" "$LABEL_LIBRARIES" >/dev/null
RANGWERK_REGISTRY_DIR=$(fresh_store warm) "$PROBE" "$PROGRAM" >/dev/null

bare=() first=() later=() label=() label_libraries=()
later_store=$(fresh_store later)
RANGWERK_REGISTRY_DIR=$later_store "$PROBE" "$PROGRAM" >/dev/null  # its first start
for i in $(seq "$RUNS"); do
  bare+=("$("$PROBE" "$BARE")")
  label+=("$("$PROBE" "$LABEL")")
  label_libraries+=("$("$PROBE" "$LABEL_LIBRARIES")")
  first+=("$(RANGWERK_REGISTRY_DIR=$(fresh_store "first-$i") "$PROBE" "$PROGRAM")")
  later+=("$(RANGWERK_REGISTRY_DIR=$later_store "$PROBE" "$PROGRAM")")
done

bare_ms=$(printf '%s\n' "${bare[@]}" | median)
first_ms=$(printf '%s\n' "${first[@]}" | median)
later_ms=$(printf '%s\n' "${later[@]}" | median)
label_ms=$(printf '%s\n' "${label[@]}" | median)
label_libraries_ms=$(printf '%s\n' "${label_libraries[@]}" | median)
status=0
report() {
  local ratio
  ratio=$(awk -v a="$2" -v b="$label_libraries_ms" 'BEGIN { printf "%.2f", a / b }')
  printf '%-14s %7.1f ms  %5s x the text window with the libraries (limit %s)\n' "$1" "$2" \
    "$ratio" "$LIMIT"
  awk -v r="$ratio" -v l="$LIMIT" 'BEGIN { exit !(r <= l) }' || status=1
}
printf "%-14s %7.1f ms  (median of %s)\n" "text + libs" "$label_libraries_ms" \
  "$RUNS"
report "first start" "$first_ms"
report "later starts" "$later_ms"
for reference in "bare window:$bare_ms" "one text line:$label_ms"; do
  printf '%-14s %7.1f ms  (for reference)\n' "${reference%%:*}" "${reference#*:}"
done
exit $status
