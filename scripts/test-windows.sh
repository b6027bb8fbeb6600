#!/usr/bin/env bash
# The Windows stage: builds the window-free layers, rangwerk-opt.exe, the Win32 backends (WinINet
# among them), the update's download and installation (libgcrypt and libzip linked statically;
# scripts/install-deps.sh --windows builds libzip from Debian's source package into a cache
# outside the clone), the Win32 toolkit layer with the update wizard and Rangwerk.exe with the
# MinGW-w64 cross compiler (64-bit) and runs their tests under Wine, in a fresh Wine prefix, a
# German locale (OEM code page 850) and on an X display of its own; then builds the same for
# 32-bit Windows, and runs its tests too where the 32-bit half of Wine can be installed. Exits 0
# only when every required test passed.
# Called by scripts/test.sh; runs alone as well.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=2
build=build/win64
build32=build/win32

scripts/install-deps.sh --windows
mkdir -p "$build"

# Wine's 32-bit half (wine32:i386) runs the 32-bit tests. It needs the i386 architecture,
# whose package lists may fail to download (the security archive's i386 index does at times),
# and an added architecture whose lists fail makes every later apt-get update fail: so the
# architecture is removed again, with whatever of it came in, whenever the attempt goes wrong.
# It never fails the stage.
wine32_installed() {
  dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"
}
try_wine32() {
  wine32_installed && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "(not root: the 32-bit half of Wine is not installed)"
    return 1
  fi
  local added=false
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386 || return 1
    added=true
  fi
  local apt=(apt-get -qq -o DPkg::Lock::Timeout=120 -o Acquire::Retries=1)
  if timeout 300 "${apt[@]}" update &&
    DEBIAN_FRONTEND=noninteractive timeout 900 "${apt[@]}" install -y --no-install-recommends \
      wine32:i386; then
    return 0
  fi
  if $added; then
    local leftovers
    leftovers=$(dpkg-query -W -f='${binary:Package} ${db:Status-Abbrev}\n' '*:i386' 2>/dev/null |
      awk '$2 != "un" { print $1 }')
    if [ -n "$leftovers" ]; then
      # shellcheck disable=SC2086
      DEBIAN_FRONTEND=noninteractive "${apt[@]}" purge -y $leftovers || true
    fi
    dpkg --remove-architecture i386 || true
    timeout 300 "${apt[@]}" update || true
  fi
  return 1
}
echo "== Windows: the 32-bit half of Wine, where it can be installed"
wine32=false
if try_wine32 > "$build/wine32.log" 2>&1; then
  wine32=true
  echo "installed: the 32-bit tests run too"
else
  echo "not available: the 32-bit programs are built only (see $build/wine32.log)"
fi

launcher=()
if command -v ccache > /dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  # Paths inside the clone are hashed relative to it, so that a second build tree (the earlier
  # release below) finds what the first one compiled.
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}"
fi

echo "== Windows (x86_64-w64-mingw32): build"
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake \
  -DRANGWERK_WINDOW_FREE_ONLY=ON -DRANGWERK_WERROR=ON "${launcher[@]}" > /dev/null
cmake --build "$build" -j"$jobs"
echo "(${SECONDS} s)"

echo "== Windows: tests under Wine"
# The tests' servers run on 127.0.0.1, and Wine's WinINet would send every request to a proxy.
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY
export WINEPREFIX="$PWD/$build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko installer questions
export LANG=de_DE.UTF-8 LC_ALL=de_DE.UTF-8

# The window tests need a display: an Xvfb of the stage's own.
. scripts/own-display.sh
cleanup() {
  wineserver -k 2> /dev/null || true
  stop_own_display
}
trap cleanup EXIT
start_own_display "$build"

. scripts/wine-prefix.sh
# Wine says much while it makes a new prefix (and misses its 32-bit half); shown only on failure.
if ! make_wine_prefix "$build/wineboot.log"; then
  cat "$build/wineboot.log" >&2
  exit 1
fi
# Windows without a window manager: Wine would wait two seconds at every hidden window for a
# window manager that this display has not.
cat > "$build/wine-test-windows.reg" << 'REG'
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"
REG
wine reg import "$build/wine-test-windows.reg" >> "$build/wineboot.log" 2>&1
(cd "$build" && ctest --output-on-failure -j"$jobs")
echo "(${SECONDS} s)"

echo "== Windows: a whole decision with Rangwerk.exe, driven through xdotool, and /uninstall"
timeout 300 tests/e2e/decision_xdotool.sh "$build/decision.opt" wine "$build/app/Rangwerk.exe"
echo "(${SECONDS} s)"

# The online update end to end: an earlier release of the same source (release date two days
# back, a tree of its own in which only the date's file is compiled anew) is updated to the
# program just built, through the wizard, driven by xdotool on this display.
echo "== Windows: the online update of Rangwerk.exe under Wine"
previous=build/win64-previous
cmake -S . -B "$previous" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake \
  -DRANGWERK_WINDOW_FREE_ONLY=ON -DRANGWERK_WERROR=ON -DRANGWERK_BUILD_TESTS=OFF \
  -DRANGWERK_RELEASE_DATE="$(date -d '2 days ago' +%F)" "${launcher[@]}" > /dev/null
cmake --build "$previous" -j"$jobs" --target rangwerk_windows > "$previous/build.log" ||
  { cat "$previous/build.log" >&2; exit 1; }
timeout 300 tests/e2e/update_wine_xdotool.sh "$previous/app/Rangwerk.exe" "$build/app/Rangwerk.exe"
echo "(${SECONDS} s)"

echo "== Windows (i686-w64-mingw32): build"
tests32=OFF
if $wine32; then
  tests32=ON
fi
cmake -S . -B "$build32" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-w64-mingw32.cmake \
  -DRANGWERK_WINDOW_FREE_ONLY=ON -DRANGWERK_WERROR=ON -DRANGWERK_BUILD_TESTS="$tests32" \
  "${launcher[@]}" > /dev/null
cmake --build "$build32" -j"$jobs"
scripts/check-windows-program.sh "$build32/app/Rangwerk.exe"
if $wine32; then
  echo "== Windows: the 32-bit tests under Wine"
  (cd "$build32" && ctest --output-on-failure -j"$jobs")
fi
echo "(${SECONDS} s)"

echo "== Windows: all tests passed"
