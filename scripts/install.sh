#!/usr/bin/env bash
# Installs Rangwerk for the current user into ~/.local, or removes it again.
#
#   scripts/install.sh                  builds Rangwerk and installs it
#   scripts/install.sh --from BUILD     installs from a build folder that is built already
#   scripts/install.sh --remove         removes exactly the files the installation put there
#
# The program goes where the user can write, so that the online update can replace its files:
# ~/.local/bin (rangwerk, rangwerk-opt), ~/.local/share/applications (the menu entry),
# ~/.local/share/icons/hicolor and ~/.local/share/doc/rangwerk (the guide). The list of
# installed files is kept as ~/.local/share/doc/rangwerk/installed-files.txt for the removal.
# The settings kept by the program itself (its registry store) are left to `rangwerk /uninstall`.
set -euo pipefail
cd "$(dirname "$0")/.."

prefix="$HOME/.local"
docdir="$prefix/share/doc/rangwerk"
list="$docdir/installed-files.txt"

usage() {
  echo "usage: scripts/install.sh [--from BUILD_FOLDER | --remove]" >&2
  exit 2
}

refresh_menu() {
  # The desktop's caches, where it keeps them; neither is needed for the entry to work.
  if command -v update-desktop-database > /dev/null; then
    update-desktop-database -q "$prefix/share/applications" 2> /dev/null || true
  fi
  if command -v gtk-update-icon-cache > /dev/null && [ -f "$prefix/share/icons/hicolor/index.theme" ]; then
    gtk-update-icon-cache -q "$prefix/share/icons/hicolor" 2> /dev/null || true
  fi
}

remove() {
  if [ ! -f "$list" ]; then
    echo "Rangwerk is not installed in $prefix (no $list)." >&2
    exit 1
  fi
  # The list's last line has no line break.
  while IFS= read -r file || [ -n "$file" ]; do
    # Only files below the prefix, as the installation wrote them.
    case "$file" in
      "$prefix"/*) rm -f -- "$file" ;;
      *) echo "skipped (outside $prefix): $file" >&2 ;;
    esac
  done < "$list"
  rm -f -- "$list"
  rmdir -- "$docdir/images" "$docdir" 2> /dev/null || true
  refresh_menu
  echo "Rangwerk removed from $prefix."
  echo "Its settings stay; 'rangwerk /uninstall' removes them (run it before removing the program)."
}

install_from() {
  local build
  build="$(cd "$1" && pwd -P)"
  [ -f "$build/cmake_install.cmake" ] || { echo "$1 is not a configured build folder." >&2; exit 1; }
  # CMake's install script writes its list of installed files, install_manifest.txt, into the
  # build folder it installs from. A copy of the script writes it into a folder of our own, so
  # that installing changes nothing in the build folder (which may belong to someone else).
  local work
  work="$(mktemp -d)"
  trap 'rm -rf "$work"' RETURN
  local manifest_line="file(WRITE \"$build/\${CMAKE_INSTALL_MANIFEST}\""
  grep -qxF "$manifest_line" "$build/cmake_install.cmake" || {
    echo "$build/cmake_install.cmake does not write its list of files where expected." >&2
    exit 1
  }
  awk -v from="$manifest_line" -v to="file(WRITE \"$work/\${CMAKE_INSTALL_MANIFEST}\"" \
    '$0 == from { print to; next } { print }' "$build/cmake_install.cmake" > "$work/install.cmake"
  cmake -DCMAKE_INSTALL_PREFIX="$prefix" -P "$work/install.cmake"
  mkdir -p "$docdir"
  # The manifest lists every installed file, one per line.
  cp "$work/install_manifest.txt" "$list"
  refresh_menu
  echo "Rangwerk installed in $prefix; the menu shows it under Office (Büro)."
  case ":$PATH:" in
    *":$prefix/bin:"*) ;;
    *) echo "Note: $prefix/bin is not in PATH; add it to start rangwerk and rangwerk-opt by name." ;;
  esac
}

case "${1:-}" in
  "")
    scripts/install-deps.sh
    cmake -S . -B build/install -DCMAKE_BUILD_TYPE=Release -DRANGWERK_BUILD_TESTS=OFF > /dev/null
    cmake --build build/install -j"$(nproc)" --target rangwerk rangwerk-opt
    install_from build/install
    ;;
  --from)
    [ $# -eq 2 ] || usage
    install_from "$2"
    ;;
  --remove)
    [ $# -eq 1 ] || usage
    remove
    ;;
  *) usage ;;
esac
