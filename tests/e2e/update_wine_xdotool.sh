#!/usr/bin/env bash
# The online update of Rangwerk.exe under Wine, from the first start to the restarted program,
# driven through real key events and clicks (xdotool) as a user would:
#   - a copy of an earlier release is installed in "C:\Program Files\Rangwerk Prüfung\", its
#     file dated two days back; the update (scripts/update-server.sh --no-serve, with a
#     throwaway key) brings the newer program and is served on 127.0.0.1;
#   - the first start shows the update wizard before the main window; "Abbrechen" (Escape) lets
#     the main window appear;
#   - Ctrl+U on the main window opens the wizard: "Weiter >", "Jetzt auf neue Updates prüfen",
#     "Weiter >" (the download, with its progress bar), "Weiter >", "Weiter >" (the
#     installation is prepared) and "Beenden";
#   - the program ends, Wine's cmd.exe runs the completed Update.bat: it waits for the program,
#     replaces the program file (checked byte for byte against the archive's program) and starts
#     it again; the restarted program shows its main window without the wizard (the reminder
#     was renewed) and removes the files the installation listed; "Ende" ends it, the batch
#     ends, and nothing of the update stays in the temporary folder (Update.bat neither) and
#     no Wine process runs.
# Works in a copy of the Wine prefix it is given (with its own Wine server), so the prefix
# stays as it was.
#
# Usage: update_wine_xdotool.sh PREVIOUS_PROGRAM NEW_PROGRAM
#   PREVIOUS_PROGRAM  Rangwerk.exe (64-bit) built with a release date before today
#   NEW_PROGRAM       the Rangwerk.exe the update brings
# Environment: WINEPREFIX names a prefix as scripts/test-windows.sh makes it (font replacements,
# unmanaged windows); DISPLAY an X display without a window manager (without one, an Xvfb of
# the test's own is started). Run from anywhere; takes about half a minute.
set -euo pipefail
if [ $# -ne 2 ]; then
  echo "usage: $0 PREVIOUS_PROGRAM NEW_PROGRAM" >&2
  exit 2
fi
previous="$(realpath "$1")"
new="$(realpath "$2")"
source_dir="$(cd "$(dirname "$0")/../.." && pwd)"
. "$source_dir/tests/support/logging_file_server.sh"
SECONDS=0

work="$(mktemp -d)"
server=""
first=""
own_prefix=""
own_xvfb=false
cleanup() {
  # The test's own Wine server ends every process of the copied prefix with it.
  [ -n "$own_prefix" ] && WINEPREFIX="$own_prefix" wineserver -k 2>/dev/null || true
  [ -n "$first" ] && kill "$first" 2>/dev/null || true
  [ -n "$server" ] && kill "$server" 2>/dev/null || true
  $own_xvfb && stop_own_display
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

visible_names() {
  local id
  for id in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
    printf '"%s" ' "$(xdotool getwindowname "$id" 2>/dev/null)"
  done
}
fail() {
  echo "FAIL: $*" >&2
  echo "visible windows: $(visible_names)" >&2
  [ -f "$work/requests" ] && sed 's/^/request: /' "$work/requests" >&2
  [ -f "$work/wine.log" ] && tail -n 20 "$work/wine.log" >&2
  if command -v import >/dev/null; then
    local picture="${TMPDIR:-/tmp}/rangwerk-update-e2e-failure.png"
    import -window root "$picture" 2>/dev/null && echo "screen: $picture" >&2
  fi
  exit 1
}

[ -f "$previous" ] && [ -f "$new" ] || fail "usage: $0 PREVIOUS_PROGRAM NEW_PROGRAM"
[ -n "${WINEPREFIX:-}" ] && [ -f "$WINEPREFIX/system.reg" ] ||
  fail "WINEPREFIX must name a Wine prefix (scripts/test-windows.sh makes one)"
cmp -s "$previous" "$new" && fail "the two programs are the same file: nothing to replace"

if [ -z "${DISPLAY:-}" ]; then
  . "$source_dir/scripts/own-display.sh"
  start_own_display "$work"
  own_xvfb=true
fi

# The prefix's copy: Wine's system files are linked (programs only read them), the registry and
# everything else is copied, so that this test's changes stay in the copy.
own_prefix="$work/prefix"
mkdir "$own_prefix" "$own_prefix/drive_c"
for entry in "$WINEPREFIX"/* "$WINEPREFIX"/.[!.]*; do
  [ "$(basename "$entry")" = drive_c ] || cp -a "$entry" "$own_prefix/"
done
for entry in "$WINEPREFIX"/drive_c/*; do
  if [ "$(basename "$entry")" = windows ]; then
    cp -al "$entry" "$own_prefix/drive_c/"
  else
    cp -a "$entry" "$own_prefix/drive_c/"
  fi
done
export WINEPREFIX="$own_prefix"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export LANG=de_DE.UTF-8 LC_ALL=de_DE.UTF-8
# Wine's WinINet would send the requests for 127.0.0.1 to a proxy.
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY no_proxy NO_PROXY

# The update: the maker's steps with a throwaway key. The Linux half of the demonstration needs a
# program file of its own, which this test never starts.
printf '#!/bin/sh\n' >"$work/linux-program"
RANGWERK_UPDATE_DEMO="$work/update" RANGWERK_PROGRAM="$work/linux-program" \
  RANGWERK_WINDOWS_PROGRAM="$new" "$source_dir/scripts/update-server.sh" --no-serve
archive="$work/update/www/Updates/windows/Ranko.zip"
[ -f "$archive" ] && [ -f "$archive.sig" ] || fail "update-server.sh made no Windows archive"

# Served on a free port; every request is logged.
start_logging_file_server "$work/update/www" "$work" || fail "the update server did not start"
export RANGWERK_UPDATE_HOST="127.0.0.1:$server_port"
key="$work/update/keys/public.pem"
export RANGWERK_UPDATE_TRUSTED_KEY="Z:${key//\//\\}"

# The installed earlier release, in a folder with a blank and an umlaut.
folder_win='C:\Program Files\Rangwerk Prüfung'
folder="$WINEPREFIX/drive_c/Program Files/Rangwerk Prüfung"
program="$folder/Rangwerk.exe"
mkdir -p "$folder"
cp "$previous" "$program"
touch -d "2 days ago" "$program"
temp="$WINEPREFIX/drive_c/users/$(id -un)/Temp"
mkdir -p "$temp"
temp_before="$(ls -A "$temp")"
# Nothing of the program's settings from earlier runs in the prefix: this is its first start.
for root in HKLM HKCU; do
  wine reg delete "$root\\Software\\Quarv\\Rangwerk" /f >>"$work/wine.log" 2>&1 || true
done

visible() { xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1; }
# The id of the visible window with exactly this title, waiting up to SECONDS.
window() {  # TITLE SECONDS
  local id=""
  for _ in $(seq $(($2 * 10))); do
    id="$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1 || true)"
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}
wizard() { window "Updates installieren" "${2:-20}" || fail "$1: no update wizard"; }
main_window() { window "Rangwerk" "${2:-20}" || fail "$1: no main window"; }
# --sync waits for the focus, which a disabled window never takes.
focus() { timeout 10 xdotool windowfocus --sync "$1" || fail "window $1 did not take the focus"; }
# Without a window manager, Wine draws the frame into the X window: the client area's offset
# is the frame's width at the sides and the bottom, the rest at the top is the caption.
client_origin() {  # ID CLIENT-WIDTH CLIENT-HEIGHT -> "X Y"
  local width height
  eval "$(xdotool getwindowgeometry --shell "$1")"
  width=$WIDTH height=$HEIGHT
  local side=$(((width - $2) / 2))
  echo "$side $((height - $3 - side))"
}
# A click at a point of the window's client area.
click() {  # ID CLIENT-WIDTH CLIENT-HEIGHT X Y
  local origin
  read -r -a origin <<<"$(client_origin "$1" "$2" "$3")"
  focus "$1"
  xdotool mousemove --window "$1" $((origin[0] + $4)) $((origin[1] + $5)) click 1
}
# The darkest or brightest grey (0 to 1) of a rectangle of the window's client area, as the
# screen shows it.
grey() {  # minima|maxima ID CLIENT-WIDTH CLIENT-HEIGHT X Y W H
  local origin
  read -r -a origin <<<"$(client_origin "$2" "$3" "$4")"
  timeout 10 import -window "$2" -crop "$7x$8+$((origin[0] + $5))+$((origin[1] + $6))" +repage \
    -colorspace Gray -format "%[fx:$1]" info: 2>/dev/null
}
below() { awk -v g="$1" -v limit="$2" 'BEGIN { exit !(g != "" && g < limit) }'; }
# The wizard's client area is 658 x 353; its buttons "Abbrechen" and "Weiter >" (also
# "Beenden") stand at 472/568, 320, 81 x 25. A button's caption is black when it can be
# clicked and grey when it is disabled; the rectangle lies inside the button's frame.
button_enabled() {  # WIZARD-ID LEFT
  below "$(grey minima "$1" 658 353 $(($2 + 4)) 324 73 17)" 0.3
}
wait_next_enabled() {  # WIZARD-ID WHAT SECONDS
  for _ in $(seq $(($3 * 4))); do
    button_enabled "$1" 568 && return 0
    sleep 0.25
  done
  fail "$2: \"Weiter >\" stayed disabled"
}
requested() { grep -c "^GET $1 " "$work/requests" || true; }
key() {  # ID KEY
  focus "$1"
  xdotool key "$2"
}

# 1. The first start: the reminder shows the wizard before the main window.
wine "$folder_win\\Rangwerk.exe" >>"$work/wine.log" 2>&1 &
first=$!
id="$(wizard "first start" 30)"
visible "Rangwerk" && fail "first start: main window shown with the wizard"
key "$id" Escape
main="$(main_window "first start after Abbrechen")"
for _ in $(seq 20); do visible "Updates installieren" || break; sleep 0.1; done
visible "Updates installieren" && fail "first start: the wizard stayed open after Abbrechen"
echo "(${SECONDS} s) first start: the wizard came first, then the main window"

# 2. Ctrl+U on the main window; "Weiter >" to the check.
key "$main" ctrl+u
id="$(wizard "Ctrl+U" 10)"
key "$id" Return
# "Jetzt auf neue Updates prüfen" (centre 440, 140), clicked again while no request has come (a
# loaded machine may show the page later than the first click); on the welcome page that place
# holds only text.
for _ in $(seq 10); do
  click "$id" 658 353 440 140
  for _ in $(seq 10); do
    [ "$(requested /Updates.ini)" -gt 0 ] && break 2
    sleep 0.1
  done
done
[ "$(requested /Updates.ini)" -eq 1 ] || fail "the check sent $(requested /Updates.ini) requests"
wait_next_enabled "$id" "the check's result" 15

# 3. The download, with its progress bar (401 x 17 at 240, 144 of the client area).
key "$id" Return
for _ in $(seq 100); do
  [ "$(requested /Updates/windows/Ranko.zip.sig)" -gt 0 ] && break
  sleep 0.1
done
[ "$(requested /Updates/windows/Ranko.zip)" -eq 1 ] ||
  fail "the download fetched /Updates/windows/Ranko.zip $(requested /Updates/windows/Ranko.zip) times"
wait_next_enabled "$id" "the download" 60
cmp -s "$archive" "$temp/Ranko.zip" || fail "the downloaded archive differs from the served one"
# The bar is filled along its whole middle line: no white is left in it.
below "$(grey maxima "$id" 658 353 243 152 395 1)" 0.9 || fail "the progress bar is not full"
echo "(${SECONDS} s) downloaded, the progress bar full"

# 4. "Weiter >" to "Installieren", "Weiter >": the installation is prepared. The keys are
# handled one after the other by the program's message loop.
key "$id" Return
key "$id" Return
for _ in $(seq 150); do [ -f "$temp/Update.lst" ] && break; sleep 0.1; done
[ -f "$temp/Update.lst" ] && [ -f "$temp/Update.bat" ] || fail "the installation was not prepared"
# The batch names the folder in the console's code page (850: "ü" is byte 0x81).
LC_ALL=C grep -qF "$(printf '"C:\\Program Files\\Rangwerk Pr\x81fung\\Rangwerk.exe"')" "$temp/Update.bat" ||
  fail "Update.bat does not name the program in code page 850"
# The last page: "Beenden" can be clicked, "Abbrechen" cannot.
wait_next_enabled "$id" "the last page" 10
button_enabled "$id" 472 && fail "the last page: \"Abbrechen\" is enabled"
echo "(${SECONDS} s) installation prepared"

# 5. "Beenden": the program ends, the batch replaces its file and starts it again.
key "$id" Return
for _ in $(seq 200); do kill -0 "$first" 2>/dev/null || break; sleep 0.1; done
kill -0 "$first" 2>/dev/null && fail "the program did not end after Beenden"
wait "$first" || fail "the program ended with an error"
first=""
for _ in $(seq 200); do cmp -s "$new" "$program" && break; sleep 0.1; done
cmp -s "$new" "$program" || fail "the program file was not replaced by the update's program"
[ -f "$folder/UPDATE-DEMO.txt" ] || fail "the batch did not run to its end"
main="$(main_window "restart" 30)"
sleep 1
visible "Updates installieren" && fail "restart: the wizard came although the reminder was renewed"
echo "(${SECONDS} s) program replaced and restarted"
# The restarted program removes what the installation listed. Update.bat is among them, but
# Wine's cmd.exe holds it open until the batch ends (it waits for the restarted program), so it
# goes only then.
for _ in $(seq 100); do
  [ -e "$temp/Update.lst" ] || [ -e "$temp/Rangwerk.exe" ] || [ -e "$temp/Release.ini" ] || break
  sleep 0.1
done
for name in Update.lst Rangwerk.exe Release.ini; do
  [ -e "$temp/$name" ] && fail "restart: $name stayed in the temporary folder"
done

# 6. "Ende" (8, 328, 81 x 25 of the 420 x 361 client area) ends it; the batch ends, and with the
# last process Wine's server ends too.
click "$main" 420 361 48 340
timeout 30 wineserver -w || fail "Wine processes still run after the restarted program ended"
[ "$(ls -A "$temp")" = "$temp_before" ] ||
  fail "left in the temporary folder: $(comm -13 <(echo "$temp_before") <(ls -A "$temp") | tr '\n' ' ')"
cmp -s "$new" "$program" || fail "the program file changed after the restart"

echo "(${SECONDS} s) update under Wine: 1 passed, 0 failed"
