#!/usr/bin/env bash
# Installs Rangwerk into throwaway folders and checks what arrives there:
#   1. cmake --install into a prefix with a blank in its path: the files, the menu entry
#      (desktop-file-validate, Exec naming the installed program, which starts), rangwerk-opt;
#   2. scripts/install.sh into a throwaway home folder, and --remove taking exactly those files
#      away again while other files and the program's registry store stay.
# usage: install_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source_dir="$1"
build_dir="$2"

work="$(mktemp -d)"
program_pid=""
cleanup() {
  if [ -n "$program_pid" ]; then kill "$program_pid" 2> /dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# The files an installation puts below its prefix: program, menu entry, icons, guide.
installed_files() {
  echo bin/rangwerk
  echo bin/rangwerk-opt
  echo share/applications/rangwerk.desktop
  for size in 16 24 32 48; do echo "share/icons/hicolor/${size}x${size}/apps/rangwerk.png"; done
  echo share/doc/rangwerk/Anleitung.md
  echo share/doc/rangwerk/Urlaubsziel.opt
  # Every picture the guide shows.
  grep -o 'images/[A-Za-z0-9_.-]*\.png' "$source_dir/docs/Anleitung.md" | sort -u |
    sed 's|^|share/doc/rangwerk/|'
}

# Width and height of a PNG file, from its header.
png_size() {
  local bytes
  read -r -a bytes <<< "$(od -An -tu1 -j16 -N8 "$1")"
  echo "$(( (bytes[0] << 24) + (bytes[1] << 16) + (bytes[2] << 8) + bytes[3] ))x$(( (bytes[4] << 24) + (bytes[5] << 16) + (bytes[6] << 8) + bytes[7] ))"
}

check_installed() {
  local prefix="$1"
  while IFS= read -r file; do
    [ -s "$prefix/$file" ] || fail "$prefix/$file is missing or empty"
  done < <(installed_files)
  for tool in rangwerk rangwerk-opt; do
    [ -x "$prefix/bin/$tool" ] || fail "$prefix/bin/$tool is not executable"
  done
  for size in 16 24 32 48; do
    local icon="$prefix/share/icons/hicolor/${size}x${size}/apps/rangwerk.png"
    [ -f "$icon" ] && [ "$(png_size "$icon")" = "${size}x${size}" ] ||
      fail "$icon is not a ${size}x${size} picture"
  done
}

# --- 1. cmake --install into a throwaway prefix -------------------------------------------
prefix="$work/pre fix"
cmake --install "$build_dir" --prefix "$prefix" > /dev/null
check_installed "$prefix"

entry="$prefix/share/applications/rangwerk.desktop"
if ! command -v desktop-file-validate > /dev/null; then
  fail "desktop-file-validate is missing (package desktop-file-utils, scripts/install-deps.sh)"
elif ! desktop-file-validate "$entry"; then
  fail "desktop-file-validate refuses $entry"
fi
exec_line="$(grep '^Exec=' "$entry")"
[ "$exec_line" = "Exec=\"$prefix/bin/rangwerk\"" ] ||
  fail "the menu entry's command is $exec_line, not the installed program"

# The menu entry's command starts the program: it registers itself for removal with its own path
# (in a registry store of its own here) and keeps running until it is closed.
command_path="${exec_line#Exec=\"}"
command_path="${command_path%\"}"
registry="$work/registry"
RANGWERK_REGISTRY_DIR="$registry" "$command_path" > "$work/program.log" 2>&1 &
program_pid=$!
registered=""
for _ in $(seq 100); do
  if grep -qF "\"UninstallString\"=\"\\\"$prefix/bin/rangwerk\\\" /uninstall\"" \
       "$registry/HKEY_LOCAL_MACHINE.reg" 2> /dev/null; then
    registered=yes
    break
  fi
  sleep 0.1
done
[ -n "$registered" ] || fail "the installed program did not register itself: $(cat "$work/program.log")"
kill -0 "$program_pid" 2> /dev/null || fail "the installed program ended by itself"
kill "$program_pid" 2> /dev/null || true
wait "$program_pid" 2> /dev/null || true
program_pid=""

help="$("$prefix/bin/rangwerk-opt" --help)" || fail "rangwerk-opt --help failed"
[[ "$help" == Usage:\ rangwerk-opt* ]] || fail "rangwerk-opt --help printed: $help"
# The example decision of the guide opens.
example="$prefix/share/doc/rangwerk/Urlaubsziel.opt"
[ "$("$prefix/bin/rangwerk-opt" check "$example")" = "OK" ] || fail "the example does not open"

# --- 2. scripts/install.sh and --remove in a throwaway home folder -------------------------
home="$work/home"
# Files that are not Rangwerk's and must survive the removal, and the program's own settings.
mkdir -p "$home/.local/bin" "$home/.local/share/icons/hicolor/48x48/apps" \
         "$home/.local/share/rangwerk/registry"
echo other > "$home/.local/bin/other-tool"
echo other > "$home/.local/share/icons/hicolor/48x48/apps/other.png"
echo settings > "$home/.local/share/rangwerk/registry/HKEY_CURRENT_USER.reg"

# Installing from a build folder leaves that folder as it was (CTest keeps its logs in Testing/).
touch "$work/before-install"
HOME="$home" bash "$source_dir/scripts/install.sh" --from "$build_dir" > /dev/null
check_installed "$home/.local"
changed="$(find "$build_dir" -path "$build_dir/Testing" -prune -o -newer "$work/before-install" -print -quit)"
[ -z "$changed" ] || fail "scripts/install.sh --from changed the build folder: $changed"
[ -s "$home/.local/share/doc/rangwerk/installed-files.txt" ] || fail "no list of installed files"

HOME="$home" bash "$source_dir/scripts/install.sh" --remove > /dev/null
while IFS= read -r file; do
  [ ! -e "$home/.local/$file" ] || fail "--remove left $file"
done < <(installed_files)
[ ! -e "$home/.local/share/doc/rangwerk" ] || fail "--remove left the guide's folder"
for kept in bin/other-tool share/icons/hicolor/48x48/apps/other.png \
            share/rangwerk/registry/HKEY_CURRENT_USER.reg; do
  [ -f "$home/.local/$kept" ] || fail "--remove deleted $kept, which is not its own"
done
if HOME="$home" bash "$source_dir/scripts/install.sh" --remove > /dev/null 2>&1; then
  fail "a second --remove reports success although nothing is installed"
fi

[ "$failures" -eq 0 ] || exit 1
echo "installation checked"
