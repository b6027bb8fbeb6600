#!/usr/bin/env bash
# A whole decision with the running program on an X display of its own, driven by real clicks
# and keys through xdotool as a person would make it: "Neues Projekt beginnen", three options
# typed and added with Enter, the query order "Reihenfolge nicht verändern" (Alt+R, Space) and
# the live standings (Alt+Z), the three answers with the keys 1, 2 and 0, the result page; then
# the save button and the save dialog, "Startbildschirm", "Gespeichertes Projekt öffnen" and the
# open dialog, the save once more into a second file (not into the same: "&Nein"), and "Ende".
# Both saved files must be byte for byte the fixture decision.opt beside this script, and the
# caption must name the file after saving and after opening. For the Windows program (a command
# that starts with "wine") the start also wrote the uninstall entry into Wine's registry, and
# "/uninstall" answered with "&Ja" and then "OK" removes it again.
#
# Usage: decision_xdotool.sh OUTPUT.opt PROGRAM [ARGUMENTS...]
#   e.g. decision_xdotool.sh build/test/decision.opt build/test/app/rangwerk
#        decision_xdotool.sh build/win64/decision.opt wine build/win64/app/Rangwerk.exe
# For a Linux program it uses a throwaway registry store and home; for the Windows program the
# caller's WINEPREFIX.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
output="$1"
shift
program=("$@")
windows=false
[ "${program[0]}" = wine ] && windows=true

work="$(mktemp -d)"
running=""
cleanup() {
  [ -n "$running" ] && kill "$running" 2> /dev/null || true
  stop_own_display
  rm -rf "$work"
}
. "$here/../../scripts/own-display.sh"
trap cleanup EXIT
start_own_display "$work"

fail() {
  echo "FAIL: $*" >&2
  [ -f "$work/program.log" ] && cat "$work/program.log" >&2
  import -window root "$work/failure.png" 2> /dev/null && cp "$work/failure.png" "$output.failure.png" || true
  exit 1
}

# No update host: the start shows no update reminder.
unset RANGWERK_UPDATE_HOST
export LANG=de_DE.UTF-8 LC_ALL=de_DE.UTF-8
if ! $windows; then
  # On the X display, whatever platform the test run chose for the other window tests.
  export QT_QPA_PLATFORM=xcb
  export HOME="$work/home" RANGWERK_REGISTRY_DIR="$work/registry"
  mkdir -p "$HOME"
fi

# A path as the program's file dialogs take it.
dialog_path() {
  if $windows; then winepath -w "$1" 2> /dev/null; else printf '%s' "$1"; fi
}

# Waits until a window whose name matches $1 is mapped and prints its id.
wait_window() {
  local id
  for _ in $(seq 150); do
    id=$(xdotool search --onlyvisible --name "$1" 2> /dev/null | head -n1 || true)
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.1
  done
  return 1
}

wait_gone() {
  for _ in $(seq 150); do
    xdotool search --onlyvisible --name "$1" > /dev/null 2>&1 || return 0
    sleep 0.1
  done
  return 1
}

# The main window's client area is 420 x 361; a frame drawn around it (Wine draws its own) lies
# evenly left, right and below, the caption on top.
main=""
left=0
top=0
find_main_window() {
  main=$(wait_window '^Rangwerk') || fail "the main window did not appear"
  local width height
  eval "$(xdotool getwindowgeometry --shell "$main" | grep -E '^(WIDTH|HEIGHT)=')"
  width=$WIDTH
  height=$HEIGHT
  left=$(((width - 420) / 2))
  top=$((height - 361 - left))
}

# Clicks at a point of the main window's client area.
click() {
  xdotool mousemove --window "$main" $((left + $1)) $((top + $2)) click 1
  sleep 0.3
}

caption() { xdotool getwindowname "$main"; }

wait_caption() {
  for _ in $(seq 50); do
    [ "$(caption)" = "$1" ] && return 0
    sleep 0.1
  done
  fail "caption \"$(caption)\" instead of \"$1\""
}

# Types a path into the file dialog named $1 and presses Enter.
answer_file_dialog() {
  local dialog
  dialog=$(wait_window "$1") || fail "no dialog \"$1\""
  sleep 0.5
  xdotool type --delay 5 "$(dialog_path "$2")" 2> /dev/null
  xdotool key Return 2> /dev/null
  wait_gone "$1" || fail "the dialog \"$1\" stayed open"
}

# Saves into the file $1; with a project file in use, $2 "asked" answers the question whether to
# save there again with "&Nein", so that the save dialog comes.
save_to() {
  click 197 340 # the save button
  if [ "${2:-}" = asked ]; then
    wait_window '^Bestätigung' > /dev/null || fail "no question whether to save into the same file"
    sleep 0.3
    xdotool key alt+n 2> /dev/null
  fi
  answer_file_dialog '^Speichern' "$1"
  for _ in $(seq 50); do
    [ -s "$1" ] && break
    sleep 0.1
  done
  [ -s "$1" ] || fail "nothing was saved to $1"
}

"${program[@]}" > "$work/program.log" 2>&1 &
running=$!
find_main_window
wait_caption "Rangwerk"

# Start page: "Neues Projekt beginnen".
click 52 129
# Collect page: the name field has the focus; Enter adds.
for option in Strand Berge Stadt; do
  xdotool type --delay 10 "$option" 2> /dev/null
  xdotool key Return 2> /dev/null
  sleep 0.2
done
click 373 341 # "Weiter >"
# Settings page.
xdotool key alt+r 2> /dev/null
sleep 0.2
xdotool key space alt+z 2> /dev/null
sleep 0.2
click 373 341 # "Weiter >"
# Comparison page: Strand - Berge, Strand - Stadt, Berge - Stadt.
for answer in 1 2 0; do
  sleep 0.3
  xdotool key "$answer" 2> /dev/null
done
sleep 0.5

rm -f "$output" "$output.again"
save_to "$output"
wait_caption "Rangwerk - [$(basename "$output")]"

click 136 340 # "Startbildschirm"
wait_caption "Rangwerk"
click 52 185 # "Gespeichertes Projekt öffnen"
answer_file_dialog '^Öffnen' "$output"
wait_caption "Rangwerk - [$(basename "$output")]"
save_to "$output.again" asked

click 48 340 # "Ende"
for _ in $(seq 100); do
  kill -0 "$running" 2> /dev/null || break
  sleep 0.1
done
kill -0 "$running" 2> /dev/null && fail "the program did not end with \"Ende\""
wait "$running" || fail "the program ended with exit code $?"
running=""

cmp "$here/decision.opt" "$output" || fail "the saved project differs from decision.opt"
cmp "$here/decision.opt" "$output.again" || fail "the project saved after opening differs"

if $windows; then
  entry='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Rangwerk'
  wine reg query "$entry" /v DisplayName > /dev/null 2>&1 || fail "no uninstall entry after a start"
  "${program[@]}" /uninstall > "$work/program.log" 2>&1 &
  running=$!
  wait_window '^Warnung' > /dev/null || fail "no question before the uninstallation"
  sleep 0.3
  xdotool key alt+j 2> /dev/null
  wait_window '^Deinstallation abgeschlossen' > /dev/null || fail "no box after the uninstallation"
  sleep 0.3
  xdotool key Return 2> /dev/null
  for _ in $(seq 100); do
    kill -0 "$running" 2> /dev/null || break
    sleep 0.1
  done
  kill -0 "$running" 2> /dev/null && fail "the program went on after the uninstallation"
  running=""
  if wine reg query "$entry" > /dev/null 2>&1; then
    fail "the uninstall entry is still there"
  fi
fi
echo "decision made, saved, opened and saved again: $output"
