# Sourced by the scripts that need an X display of their own (the Windows stage, the start-up
# benchmarks). start_own_display FOLDER starts an Xvfb on a free display number, which Xvfb
# picks itself and writes to descriptor 3 (kept in FOLDER/display), and exports DISPLAY;
# stop_own_display ends it again.
start_own_display() {
  local folder=$1
  rm -f "$folder/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3> "$folder/display" > /dev/null 2>&1 &
  own_display_pid=$!
  for _ in $(seq 100); do
    [ -s "$folder/display" ] && break
    sleep 0.1
  done
  if [ ! -s "$folder/display" ]; then
    echo "Xvfb did not start" >&2
    return 1
  fi
  export DISPLAY=":$(cat "$folder/display")"
}

stop_own_display() {
  if [ -n "${own_display_pid:-}" ]; then
    kill "$own_display_pid" 2> /dev/null || true
    wait "$own_display_pid" 2> /dev/null || true
    own_display_pid=
  fi
}
