#!/usr/bin/env bash
# Renders the pictures of the user guide from the real windows into docs/images, and saves the
# guide's example decision as docs/Urlaubsziel.opt. Run it whenever a window changes.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build/screenshots -DCMAKE_BUILD_TYPE=Release -DRANGWERK_BUILD_TESTS=OFF > /dev/null
cmake --build build/screenshots -j"$(nproc)" --target rangwerk_screenshots

# Pictures of windows that no longer exist must not stay behind.
mkdir -p docs/images
rm -f docs/images/*.png
QT_QPA_PLATFORM=offscreen build/screenshots/tools/screenshots/rangwerk_screenshots \
  docs/images --project docs/Urlaubsziel.opt
