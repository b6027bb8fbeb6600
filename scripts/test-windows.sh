#!/usr/bin/env bash
# The Windows stage: builds the window-free layers, rangwerk-opt.exe and the Win32 backends with
# the MinGW-w64 cross compiler (64-bit) and runs their tests under Wine, in a fresh Wine prefix
# and a German locale (OEM code page 850); then builds the libraries and rangwerk-opt.exe for
# 32-bit Windows without tests (running them would need the i386 Wine of a multiarch system).
# Exits 0 only when every test passed. Called by scripts/test.sh; runs alone as well.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=2
build=build/win64
build32=build/win32

scripts/install-deps.sh --windows

launcher=()
if command -v ccache > /dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi

echo "== Windows (x86_64-w64-mingw32): build"
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake \
  -DRANGWERK_WINDOW_FREE_ONLY=ON -DRANGWERK_WERROR=ON "${launcher[@]}" > /dev/null
cmake --build "$build" -j"$jobs"

echo "== Windows: tests under Wine"
export WINEPREFIX="$PWD/$build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko installer questions
export LANG=de_DE.UTF-8 LC_ALL=de_DE.UTF-8
unset DISPLAY
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
# The Wine server and the prefix are set up here, not inside CTest: a server started by the
# first test would hold CTest's output pipe open, and CTest would wait for it forever.
wineserver -p
trap 'wineserver -k || true' EXIT
# Wine says much while it makes a new prefix (and misses its 32-bit half); shown only on failure.
if ! wine wineboot --init > "$build/wineboot.log" 2>&1; then
  cat "$build/wineboot.log" >&2
  exit 1
fi
(cd "$build" && ctest --output-on-failure -j"$jobs")

echo "== Windows (i686-w64-mingw32): the libraries and rangwerk-opt.exe, built only"
cmake -S . -B "$build32" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-w64-mingw32.cmake \
  -DRANGWERK_WINDOW_FREE_ONLY=ON -DRANGWERK_WERROR=ON -DRANGWERK_BUILD_TESTS=OFF \
  "${launcher[@]}" > /dev/null
cmake --build "$build32" -j"$jobs"

echo "== Windows: all tests passed"
