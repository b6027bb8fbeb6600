#!/usr/bin/env bash
# Installs what is missing, checks that every C++ file is formatted as .clang-format says, builds
# Rangwerk with warnings as errors and runs every test, once unoptimised and once optimised (-O2);
# then builds the window-free layers again with
# AddressSanitizer and UndefinedBehaviorSanitizer and runs their tests once more, and gives the
# project file reader a short fuzzing run. Last, the Windows stage (scripts/test-windows.sh)
# builds the window-free layers for Windows and runs their tests under Wine.
# Exits 0 only when every test passed.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

scripts/install-deps.sh

echo "== formatting (clang-format)"
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror

# A compiler cache, where the machine has one, shortens builds that were made before.
launcher=()
if command -v ccache > /dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi

echo "== build and test"
cmake -S . -B build/test -DRANGWERK_WERROR=ON "${launcher[@]}" > /dev/null
cmake --build build/test -j"$jobs"
(cd build/test && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$jobs")

echo "== optimised build (-O2) with warnings as errors, and every test once more"
cmake -S . -B build/o2 -DRANGWERK_WERROR=ON -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_FLAGS_RELEASE=-O2 -DCMAKE_C_FLAGS_RELEASE=-O2 "${launcher[@]}" > /dev/null
cmake --build build/o2 -j"$jobs"
(cd build/o2 && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$jobs")

echo "== window-free tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build/sanitize -DRANGWERK_WERROR=ON -DRANGWERK_WINDOW_FREE_ONLY=ON -DRANGWERK_SANITIZE=ON \
  -DCMAKE_CXX_COMPILER=g++ "${launcher[@]}" > /dev/null
cmake --build build/sanitize -j"$jobs"
(cd build/sanitize && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j"$jobs")

echo "== short fuzzing runs of the project file reader (libFuzzer, clang)"
CC=clang CXX=clang++ cmake -S . -B build/fuzz -DRANGWERK_WERROR=ON -DRANGWERK_WINDOW_FREE_ONLY=ON \
  -DRANGWERK_BUILD_FUZZ=ON "${launcher[@]}" > /dev/null
cmake --build build/fuzz -j"$jobs" --target rangwerk_value_reader_fuzz rangwerk_project_file_fuzz \
  rangwerk_project_file_fuzz_seeds
(cd build/fuzz && ctest --output-on-failure -R fuzz)

echo "== Windows: the window-free layers built with MinGW-w64, their tests run under Wine"
scripts/test-windows.sh
# The Linux and the Windows program saved the same decision: the same bytes.
cmp build/test/decision.opt build/win64/decision.opt

echo "== all tests passed"
