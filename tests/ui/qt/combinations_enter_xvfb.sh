#!/usr/bin/env bash
# Enter in the combinations window, on a virtual X display with real key events and clicks
# (xdotool), in two runs of the program: on "Voreinstellungen" it presses "&Weiter >" and on
# "Diagramm" "< &Zurück", whichever control that is not a button has the focus, also after a
# button took the focus and a message box came and went, and after the window was closed and
# opened again. The window is reached by opening the guide's example decision, which was saved
# with the window open on its diagram page.
# Usage: enter_xvfb.sh PROGRAM EXAMPLE.opt
set -euo pipefail
program="$1"
example="$2"

work="$(mktemp -d)"
xvfb=""
running=""
cleanup() {
  [ -n "$running" ] && kill "$running" 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  [ -f "$work/program.log" ] && cat "$work/program.log" >&2
  exit 1
}

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(head -n1 "$work/display")"

# No update reminder before the main window.
mkdir -p "$work/registry" "$work/home"
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quarv\\Rangwerk]\r\n"NoUpdate"=""\r\n' \
  > "$work/registry/HKEY_LOCAL_MACHINE.reg"
export RANGWERK_REGISTRY_DIR="$work/registry" HOME="$work/home" RANGWERK_UPDATE_HOST=127.0.0.1:9
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY
cp "$example" "$work/Beispiel.opt"

# The id of the visible window with exactly this title, waiting up to ten seconds.
window() {
  local id=""
  for _ in $(seq 100); do
    id="$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1 || true)"
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}
# Clicks at a point of a window's client area.
click() {  # WINDOW X Y
  xdotool mousemove --window "$1" "$2" "$3" click 1
  sleep 0.3
}
key() {
  xdotool key "$@"
  sleep 0.4
}
# The page the combinations window shows: at (258, 200) "Voreinstellungen" has the grey gap
# between the buttons and the member list, "Diagramm" the white diagram list.
page() {  # WINDOW
  local geometry x y colour
  geometry="$(xdotool getwindowgeometry "$1" | sed -n 's/.*Position: \([0-9]*\),\([0-9]*\).*/\1 \2/p')"
  read -r x y <<< "$geometry"
  colour="$(import -window root -crop "1x1+$((x + 258))+$((y + 200))" -depth 8 txt:- | tail -n1)"
  case "$colour" in
    *"(255,255,255)"*) echo Diagramm ;;
    *) echo Voreinstellungen ;;
  esac
}
expect_page() {  # WINDOW PAGE WHAT
  local shown
  shown="$(page "$1")"
  [ "$shown" = "$2" ] || fail "$3: the window shows \"$shown\", not \"$2\""
}

for run in 1 2; do
  "$program" >>"$work/program.log" 2>&1 &
  running=$!
  main="$(window Rangwerk)" || fail "run $run: no main window"
  sleep 0.5
  # "Gespeichertes Projekt öffnen" on the start page, then the file dialog.
  click "$main" 52 185
  window "Öffnen" > /dev/null || fail "run $run: no file dialog"
  xdotool type --delay 5 "$work/Beispiel.opt"
  key Return
  form2="$(window Kombinationen)" || fail "run $run: the combinations window did not open"
  sleep 0.5
  expect_page "$form2" Diagramm "run $run, opened"

  key Return
  expect_page "$form2" Voreinstellungen "run $run, Enter on the diagram page"

  # Enter from the name field, the factor field, the two lists and the choice of options.
  for target in "385 66 name field" "330 298 factor field" "60 62 combination list" \
                "340 200 member list" "340 269 option choice"; do
    read -r x y what <<< "$target"
    click "$form2" "$x" "$y"
    [ "$what" = "option choice" ] && key Escape  # closes the list the click opened
    key Return
    expect_page "$form2" Diagramm "run $run, Enter in the $what"
    click "$form2" 60 289  # "Nach Ergebnis sortieren" takes the focus
    key space
    key Return
    expect_page "$form2" Voreinstellungen "run $run, Enter on the sort check box"
  done

  # A button takes the focus and refuses (no name: a message box), the box goes, then Enter in
  # the name field.
  click "$form2" 385 66
  key ctrl+a BackSpace
  click "$form2" 213 68
  window "Name des Eintrags bereits vorhanden." > /dev/null || fail "run $run: no message box"
  key Return
  click "$form2" 385 66
  xdotool type Neu
  key Return
  expect_page "$form2" Diagramm "run $run, Enter in the name field after a message box"

  # Closed ("Schließen") and opened again with "Kombinationen..." of the result page.
  click "$form2" 467 334
  click "$main" 365 53
  form2="$(window Kombinationen)" || fail "run $run: the combinations window did not open again"
  expect_page "$form2" Diagramm "run $run, opened again"
  key Return
  click "$form2" 385 66
  key Return
  expect_page "$form2" Diagramm "run $run, Enter in the name field after opening again"

  kill "$running"
  wait "$running" 2>/dev/null || true
  running=""
done
echo "Enter checked in two runs"
