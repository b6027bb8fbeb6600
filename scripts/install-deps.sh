#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running Rangwerk need.
# Does nothing when everything is there already; needs root (apt-get) otherwise.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-private-dev qt6-translations-l10n libgl-dev
  libzip-dev nlohmann-json3-dev
  libssl-dev openssl curl python3
  fonts-liberation fonts-dejavu-core
  clang libclang-rt-14-dev
  llvm desktop-file-utils
  xvfb xauth imagemagick x11-utils xdotool libx11-dev
  dbus-x11 dbus-daemon at-spi2-core python3-pyatspi
)

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
