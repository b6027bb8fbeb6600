#!/usr/bin/env bash
# Start-up benchmark of the Windows program under Wine: the time from starting a program until
# its first window is mapped on the X display, against the bare Win32 window
# (win32_bare_window.exe: one CreateWindowW, no controls) built in the same tree and started
# the same way. The two are started in turns, RUNS times each; the script prints both medians
# and their ratio and exits 1 when the ratio is above the limit of 1.5.
#
#   bench/win32_startup_bench.sh [PROGRAM.exe] [RUNS]
#
# PROGRAM defaults to build/win64/app/Rangwerk.exe; the bare window is taken from the bench
# folder of the same build (build/win64/bench/win32_bare_window.exe), or from BARE_WINDOW.
# Runs on its own Xvfb display in a fresh Wine prefix of its own (with the font replacements of
# the tests); the Wine server stays up between the runs, as it does on a desktop. The probe
# that watches the display is bench/startup_probe.cpp, built here for this machine (g++,
# libx11-dev). A 32-bit program needs the 32-bit half of Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

PROGRAM=${1:-build/win64/app/Rangwerk.exe}
RUNS=${2:-11}
LIMIT=1.5
BARE=${BARE_WINDOW:-$(dirname "$PROGRAM")/../bench/win32_bare_window.exe}

for file in "$PROGRAM" "$BARE"; do
  if [ ! -f "$file" ]; then
    echo "missing $file: cmake --build build/win64 --target rangwerk_windows win32_bare_window" >&2
    exit 2
  fi
done

work=$(mktemp -d)
. scripts/own-display.sh
cleanup() {
  if [ -n "${WINEPREFIX:-}" ]; then
    wineserver -k 2>/dev/null || true
  fi
  stop_own_display
  rm -rf "$work"
}
trap cleanup EXIT

g++ -O2 -o "$work/startup_probe" bench/startup_probe.cpp -lX11
PROBE=$work/startup_probe
start_own_display "$work" || exit 2

export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset LC_ALL
export LANG=de_DE.UTF-8 LC_NUMERIC=C  # German Wine, numbers printed with a point
. scripts/wine-prefix.sh
make_wine_prefix "$work/wineboot.log"

WINE=$(command -v wine)
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Warm the file cache and Wine's own start-up (the desktop process) for both programs first.
"$PROBE" "$WINE" "$BARE" >/dev/null
"$PROBE" "$WINE" "$PROGRAM" >/dev/null

bare=() program=()
for _ in $(seq "$RUNS"); do
  bare+=("$("$PROBE" "$WINE" "$BARE")")
  program+=("$("$PROBE" "$WINE" "$PROGRAM")")
done

bare_ms=$(printf '%s\n' "${bare[@]}" | median)
program_ms=$(printf '%s\n' "${program[@]}" | median)
ratio=$(awk -v a="$program_ms" -v b="$bare_ms" 'BEGIN { printf "%.2f", a / b }')
printf '%-22s %7.1f ms  (median of %s)\n' "bare window" "$bare_ms" "$RUNS"
printf '%-22s %7.1f ms  %5s x the bare window (limit %s)\n' "$(basename "$PROGRAM")" \
  "$program_ms" "$ratio" "$LIMIT"
awk -v r="$ratio" -v l="$LIMIT" 'BEGIN { exit !(r <= l) }'
