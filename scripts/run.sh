#!/usr/bin/env bash
# Installs what is missing, builds Rangwerk and starts it.
# Without a display (no DISPLAY or WAYLAND_DISPLAY) it runs under xvfb-run.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build/run -DCMAKE_BUILD_TYPE=Release -DRANGWERK_BUILD_TESTS=OFF > /dev/null
cmake --build build/run -j"$(nproc)" --target rangwerk

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting Rangwerk under xvfb-run."
  exec xvfb-run -a -s "-screen 0 1024x768x24" build/run/app/rangwerk "$@"
fi
exec build/run/app/rangwerk "$@"
