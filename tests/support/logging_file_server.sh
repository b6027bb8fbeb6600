# Sourced by the update tests. start_logging_file_server ROOT FOLDER serves the files under ROOT
# on a free port of 127.0.0.1 for at most about ten minutes and writes the line of every request
# to FOLDER/requests. It sets `server` to the server's process (for the caller's clean-up) and
# `server_port` to its port; it returns 1 when the server does not come up.
start_logging_file_server() {
  local root=$1 folder=$2
  python3 - "$root" "$folder/port" "$folder/requests" <<'PY' &
import functools, http.server, os, sys
root, port_file, log = sys.argv[1:4]
class Handler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, format, *args):
        with open(log, "a") as f:
            f.write(self.requestline + "\n")
server = http.server.HTTPServer(("127.0.0.1", 0), functools.partial(Handler, directory=root))
server.timeout = 1
with open(port_file + ".new", "w") as f:
    f.write(str(server.server_address[1]))
os.rename(port_file + ".new", port_file)
for _ in range(600):  # at most about ten minutes
    server.handle_request()
PY
  server=$!
  for _ in $(seq 100); do [ -s "$folder/port" ] && break; sleep 0.1; done
  [ -s "$folder/port" ] || return 1
  touch "$folder/requests"
  server_port=$(cat "$folder/port")
}
