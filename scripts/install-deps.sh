#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running Rangwerk need.
# Does nothing when everything is there already; needs root (apt-get) otherwise.
# --windows: instead the packages of the Windows stage (MinGW-w64 cross compilers, zlib and
# libgcrypt for them, Wine, GoogleTest's sources, the X display and the fonts of the window
# tests), the German locale de_DE.UTF-8 that its tests run in, and libzip for both MinGW-w64
# targets, built from Debian's source package into a cache outside the clone
# (scripts/windows-libzip.sh; fetched and built again only when the cache lacks it).
set -euo pipefail

windows=false
if [ "${1:-}" = "--windows" ]; then
  windows=true
fi

packages=(
  cmake g++ make pkg-config git clang-format
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-private-dev qt6-translations-l10n libgl-dev
  libzip-dev nlohmann-json3-dev
  libgcrypt20-dev openssl curl python3
  fonts-liberation fonts-dejavu-core
  clang libclang-rt-14-dev
  llvm desktop-file-utils
  xvfb xauth imagemagick x11-utils xdotool libx11-dev
  dbus-x11 dbus-daemon at-spi2-core python3-pyatspi
)

if $windows; then
  packages=(
    cmake make
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
    binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
    libz-mingw-w64-dev libgcrypt-mingw-w64-dev dpkg-dev
    googletest nlohmann-json3-dev
    wine wine64 locales
    xvfb fonts-liberation fonts-dejavu-core
    xdotool imagemagick openssl python3
  )
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then
    echo "These packages are missing and installing them needs root: ${missing[*]}" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The Windows stage's tests run with a German locale, so that Wine takes code page 850 as the
# OEM code page, as a German Windows does.
if $windows && ! locale -a 2>/dev/null | grep -qix 'de_DE\.utf-\?8'; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "The locale de_DE.UTF-8 is missing and generating it needs root." >&2
    exit 1
  fi
  echo "Generating the locale de_DE.UTF-8"
  sed -i 's/^# *\(de_DE\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -qx 'de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen > /dev/null
fi

# libzip for MinGW-w64 (both targets), from Debian's source package.
if $windows; then
  "$(dirname "$0")/windows-libzip.sh"
fi
