#!/usr/bin/env bash
# The update reminder of the running program on a virtual X display, driven by real key events
# and clicks through xdotool:
#   - the first start shows the update wizard before the main window; "Abbrechen" (Escape)
#     lets the main window appear;
#   - the next start on the same day shows the wizard again (cancelling does not renew);
#     Ctrl+U over the focused name field of the collect page opens it once more and leaves the
#     field alone;
#   - a check without updates left through "Beenden" renews the reminder: no wizard at starts
#     up to 27 days later, the wizard again on the 28th day;
#   - with "OnlyUpdate" (and "NoUpdate") stored, the wizard comes alone: the main window never
#     appears, the program ends after "Beenden" and the reminder is renewed all the same.
# The days are set through RANGWERK_TODAY; the update description comes from a server on
# 127.0.0.1. Usage: update_reminder_xvfb.sh PROGRAM
set -euo pipefail
program="$1"
. "$(dirname "$0")/../support/logging_file_server.sh"

work="$(mktemp -d)"
xvfb=""
server=""
running=""
cleanup() {
  [ -n "$running" ] && kill "$running" 2>/dev/null || true
  [ -n "$server" ] && kill "$server" 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  [ -f "$work/program.log" ] && cat "$work/program.log" >&2
  exit 1
}

# A display of its own.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(head -n1 "$work/display")"

# The update description: no section of this program, so the check finds no update.
mkdir -p "$work/www"
printf '[Ranko]\r\nDate=01.01.2000\r\nFile=Ranko.zip\r\n' > "$work/www/Updates.ini"
start_logging_file_server "$work/www" "$work" || fail "the update server did not start"

export RANGWERK_REGISTRY_DIR="$work/registry"
export RANGWERK_UPDATE_HOST="127.0.0.1:$server_port"
export TMPDIR="$work/tmp"
export QT_QPA_PLATFORM=xcb
mkdir -p "$TMPDIR"
unset WAYLAND_DISPLAY

start() {  # DAY
  RANGWERK_TODAY="$1" "$program" >>"$work/program.log" 2>&1 &
  running=$!
}
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
visible() { xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1; }
focus() { xdotool windowfocus --sync "$1"; }
wizard() { window "Updates installieren" || fail "$1: no update wizard"; }
main_window() { window "Rangwerk" || fail "$1: no main window"; }
# "Ende" on the main window; the program must end in order.
end_program() {
  local id
  id="$(main_window "$1")"
  focus "$id"
  xdotool mousemove --window "$id" 48 340 click 1
  for _ in $(seq 100); do kill -0 "$running" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$running" 2>/dev/null && fail "$1: the program did not end"
  wait "$running" || fail "$1: the program ended with an error"
  running=""
}
reminder_date() {  # the "Update" value of the settings key, as the file registry writes it
  grep -A20 '^\[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quarv\\Rangwerk\]' \
    "$RANGWERK_REGISTRY_DIR/HKEY_LOCAL_MACHINE.reg" | grep '^"Update"=' || true
}

# The "Update" line that a renewal on the day Y M D stores: its day count plus 27.
renewal_on() {
  python3 -c 'import struct, sys, datetime
d = (datetime.date(*map(int, sys.argv[1:4])) - datetime.date(1899, 12, 30)).days + 27
print("\"Update\"=hex:" + ",".join("%02x" % b for b in struct.pack("<d", d)))' "$@"
}
# Checks for updates on the open wizard and leaves it through "Beenden".
check_and_finish() {  # WIZARD-ID WHAT
  local before
  before="$(grep -c 'GET /Updates.ini' "$work/requests" 2>/dev/null || true)"
  focus "$1"
  xdotool key Return  # "Weiter >"
  # "Jetzt auf neue Updates prüfen", clicked again while no request has come (a loaded machine
  # may show the page later than the first click); once the check ran, that place of the next
  # page holds only text.
  for _ in $(seq 10); do
    sleep 0.5
    xdotool mousemove --window "$1" 440 140 click 1
    for _ in $(seq 10); do
      [ "$(grep -c 'GET /Updates.ini' "$work/requests" 2>/dev/null || true)" -gt "${before:-0}" ] && break 2
      sleep 0.1
    done
  done
  [ "$(grep -c 'GET /Updates.ini' "$work/requests" 2>/dev/null || true)" -gt "${before:-0}" ] ||
    fail "$2: the check sent no request"
  sleep 1
  focus "$1"
  xdotool key Return  # "Beenden"
}

day=2026-03-02
renewed="$(renewal_on 2026 3 2)"

# 1. First start: the wizard comes before the main window.
start "$day"
id="$(wizard "first start")"
visible "Rangwerk" && fail "first start: main window shown with the wizard"
focus "$id"
xdotool key Escape
main_window "first start after Abbrechen" >/dev/null
visible "Updates installieren" && fail "first start: the wizard stayed open"
end_program "first start"
[ -z "$(reminder_date)" ] || fail "cancelling renewed the reminder"

# 2. Same day again: the wizard again. Ctrl+U over the focused name field.
start "$day"
id="$(wizard "second start")"
focus "$id"
xdotool key Escape
id="$(main_window "second start")"
focus "$id"
xdotool mousemove --window "$id" 52 129 click 1  # "Neues Projekt beginnen"
sleep 0.5
xdotool type --delay 20 "Urlaub"
xdotool key ctrl+u
id="$(wizard "Ctrl+U")"
focus "$id"
xdotool key Escape
for _ in $(seq 50); do visible "Updates installieren" || break; sleep 0.1; done
visible "Updates installieren" && fail "Ctrl+U: the wizard stayed open"
end_program "second start"

# 3. Same day: check without updates, left through "Beenden"; the reminder is renewed.
start "$day"
id="$(wizard "third start")"
check_and_finish "$id" "third start"
main_window "after the check" >/dev/null
end_program "third start"
[ "$(reminder_date)" = "$renewed" ] || fail "reminder after Beenden: '$(reminder_date)', expected '$renewed'"

# 4. 27 days later: no wizard, the main window at once.
start 2026-03-29
main_window "27 days later" >/dev/null
sleep 1
visible "Updates installieren" && fail "27 days later: reminded too early"
end_program "27 days later"

# 5. 28 days later: the reminder is back.
start 2026-03-30
id="$(wizard "28 days later")"
focus "$id"
xdotool key Escape
end_program "28 days later"

# 6. An update-only start: stored by something outside the program, as a line of the key.
python3 - "$RANGWERK_REGISTRY_DIR/HKEY_LOCAL_MACHINE.reg" <<'PY'
import sys
path = sys.argv[1]
text = open(path, encoding="utf-8").read()
header = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quarv\\Rangwerk]\n"
assert header in text, text
open(path, "w", encoding="utf-8").write(
    text.replace(header, header + '"OnlyUpdate"=""\n"NoUpdate"=""\n'))
PY
start 2026-04-20
id="$(wizard "update-only start")"
visible "Rangwerk" && fail "update-only start: main window shown"
check_and_finish "$id" "update-only start"
for _ in $(seq 100); do
  visible "Rangwerk" && fail "update-only start: main window shown after the wizard"
  kill -0 "$running" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$running" 2>/dev/null && fail "update-only start: the program did not end"
wait "$running" || fail "update-only start: the program ended with an error"
running=""
[ "$(reminder_date)" = "$(renewal_on 2026 4 20)" ] ||
  fail "update-only start: reminder '$(reminder_date)', expected '$(renewal_on 2026 4 20)'"

echo "1 passed, 0 failed"
