#!/usr/bin/env bash
# Downloads a 200 MB archive from a local server (python3 -m http.server on 127.0.0.1) through
# the program's HTTP client and progress handler, and with `curl -o` in the same run, three
# times each, alternating. Passes when the best time of the program is at most 1.5 times the
# best time of curl and its resident memory grew by at most 16 MB while downloading.
# Environment: BUILD_DIR (default build/bench-download), SIZE_MB (default 200).
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir="$(pwd)"
build="${BUILD_DIR:-build/bench-download}"
size_mb="${SIZE_MB:-200}"

scripts/install-deps.sh
cmake -S "$source_dir" -B "$build" -DCMAKE_BUILD_TYPE=Release -DRANGWERK_BUILD_TESTS=OFF \
  -DRANGWERK_BUILD_BENCH=ON > /dev/null
cmake --build "$build" -j2 --target rangwerk_download_bench > /dev/null
bench="$build/update/rangwerk_download_bench"

work="$(mktemp -d)"
server_pid=""
cleanup() {
  if [ -n "$server_pid" ]; then kill "$server_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/www/Updates"
head -c "$((size_mb * 1024 * 1024))" /dev/urandom > "$work/www/Updates/Ranko.zip"
printf 'x' > "$work/www/Updates/warm-up"

python3 -u -m http.server 0 --bind 127.0.0.1 --directory "$work/www" > "$work/server.log" 2>&1 &
server_pid=$!
port=""
for _ in $(seq 100); do
  port="$(sed -n 's/.* port \([0-9][0-9]*\) .*/\1/p' "$work/server.log" | head -1)"
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || { echo "the server did not start" >&2; exit 1; }
host="127.0.0.1:$port"

best_curl=""
best_program=""
worst_growth=0
for round in 1 2 3; do
  start=$(date +%s.%N)
  curl -s -o "$work/curl.zip" "http://$host/Updates/Ranko.zip"
  end=$(date +%s.%N)
  curl_s=$(python3 -c "print(round($end - $start, 3))")
  rm -f "$work/curl.zip"

  line="$("$bench" "$host" Ranko.zip "$work/program.zip")"
  rm -f "$work/program.zip"
  program_s="$(echo "$line" | sed 's/.*seconds=\([0-9.]*\).*/\1/')"
  growth_kb="$(echo "$line" | sed 's/.*rss_growth_kb=\(-\{0,1\}[0-9]*\).*/\1/')"
  echo "round $round: curl ${curl_s}s, program ${program_s}s ($line)"
  best_curl=$(python3 -c "print(min(float('$curl_s'), float('${best_curl:-1e9}')))")
  best_program=$(python3 -c "print(min(float('$program_s'), float('${best_program:-1e9}')))")
  worst_growth=$(( growth_kb > worst_growth ? growth_kb : worst_growth ))
done

ratio=$(python3 -c "print(round($best_program / $best_curl, 2))")
echo "best of three: curl ${best_curl}s, program ${best_program}s, ratio ${ratio} (limit 1.5)"
echo "largest resident memory growth: $((worst_growth / 1024)) MB (${worst_growth} KB, limit 16 MB)"
python3 -c "import sys; sys.exit(0 if $best_program <= 1.5 * $best_curl else 1)" \
  || { echo "too slow" >&2; exit 1; }
[ "$worst_growth" -le $((16 * 1024)) ] || { echo "too much memory" >&2; exit 1; }
echo "passed"
