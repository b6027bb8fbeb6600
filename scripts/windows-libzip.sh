#!/usr/bin/env bash
# libzip for the Windows builds: Debian ships no libzip built for MinGW-w64, so this fetches
# Debian's own source package (apt-get source libzip) and builds it with the MinGW-w64 cross
# compilers, statically, against Debian's zlib for MinGW-w64 (libz-mingw-w64-dev), with its
# optional crypto and compression backends off. Its users define ZIP_STATIC.
#
# Nothing of it enters the clone. The source and the built libraries live in a cache outside it,
# $RANGWERK_CACHE (default ${XDG_CACHE_HOME:-$HOME/.cache}/rangwerk):
#   libzip/source/   the source package as apt-get fetched it, and its unpacked tree
#   libzip/<version>/<triple>-gcc<compiler version>/   include/ and lib/libzip.a
# A fresh clone finds both there, or fetches and builds them again (about a minute for both
# targets). The source comes through a deb-src list of its own, made from the machine's own
# Debian entry (the first one of /etc/apt: its address, suite and key), with package lists
# kept in the cache, so the machine's apt configuration stays as it is.
#
# Usage: scripts/windows-libzip.sh [triple ...]   (default: x86_64-w64-mingw32 i686-w64-mingw32)
# Prints nothing but the steps it takes; exits non-zero when a step fails.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
cache="${RANGWERK_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/rangwerk}"
work="$cache/libzip"
source_dir="$work/source"
triples=("$@")
if [ "${#triples[@]}" -eq 0 ]; then
  triples=(x86_64-w64-mingw32 i686-w64-mingw32)
fi

# The machine's Debian entry as a deb-src line: "URI suite", with the key file when it names one.
debian_entry() {
  local file
  for file in /etc/apt/sources.list.d/*.sources; do
    [ -r "$file" ] || continue
    # deb822: the first stanza of type deb.
    awk '
      function flush() {
        if (types ~ /(^| )deb( |$)/ && uri != "" && suite != "" && !done) {
          print uri, suite, key; done = 1
        }
        types = ""; uri = ""; suite = ""; key = ""
      }
      /^[ \t]*$/ { flush(); next }
      /^Types:/ { sub(/^Types:[ \t]*/, ""); types = $0 }
      /^URIs:/ { uri = $2 }
      /^Suites:/ { suite = $2 }
      /^Signed-By:/ { key = $2 }
      END { flush() }
    ' "$file"
  done | head -n 1 | grep . && return 0
  # One-line format: "deb [options] URI suite components".
  cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2> /dev/null |
    awk '$1 == "deb" {
      key = ""; i = 2
      if ($2 ~ /^\[/) {
        for (; i <= NF; i++) {
          if ($i ~ /signed-by=/) { key = $i; sub(/.*signed-by=/, "", key); sub(/\]$/, "", key) }
          if ($i ~ /\]$/) { i++; break }
        }
      }
      print $i, $(i + 1), key; exit
    }' | grep .
}

fetch_source() {
  if ls "$source_dir"/libzip_*.dsc > /dev/null 2>&1 && [ -d "$source_dir/tree" ]; then
    return 0
  fi
  echo "libzip: fetching Debian's source package into $source_dir"
  local entry uri suite key
  if ! entry=$(debian_entry); then
    echo "No Debian entry found in /etc/apt: cannot fetch the source of libzip." >&2
    return 1
  fi
  read -r uri suite key <<< "$entry"
  rm -rf "$source_dir"
  mkdir -p "$source_dir/apt/lists/partial" "$source_dir/apt/cache/archives/partial"
  local options=""
  if [ -n "$key" ]; then
    options="[signed-by=$key] "
  fi
  echo "deb-src ${options}$uri $suite main" > "$source_dir/apt/deb-src.list"
  local apt=(apt-get -qq -o Dir::Etc::SourceList="$source_dir/apt/deb-src.list"
    -o Dir::Etc::SourceParts=/nonexistent -o Dir::State::Lists="$source_dir/apt/lists"
    -o Dir::Cache="$source_dir/apt/cache" -o APT::Sandbox::User=root)
  "${apt[@]}" update
  (cd "$source_dir" && "${apt[@]}" source --download-only libzip)
  # dpkg-source checks the files against the signed index's sums and applies Debian's patches.
  # (The .dsc's own signature is not checked again: the signed index vouches for its sums.)
  (cd "$source_dir" && dpkg-source -x libzip_*.dsc tree > "$source_dir/unpack.log" 2>&1) ||
    { cat "$source_dir/unpack.log" >&2; return 1; }
  rm -rf "$source_dir/apt"
}

build_for() {
  local triple=$1
  local version compiler prefix
  version=$(basename "$source_dir"/libzip_*.dsc .dsc)
  version=${version#libzip_}
  compiler=$("$triple-gcc-posix" -dumpversion)
  prefix="$work/$version/$triple-gcc$compiler"
  if [ -f "$prefix/lib/libzip.a" ] && [ -f "$prefix/include/zip.h" ]; then
    return 0
  fi
  echo "libzip $version: building for $triple"
  local build="$work/build-$triple"
  rm -rf "$build" "$prefix"
  local launcher=()
  if command -v ccache > /dev/null; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache)
  fi
  cmake -S "$source_dir/tree" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$triple.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF \
    -DENABLE_COMMONCRYPTO=OFF -DENABLE_GNUTLS=OFF -DENABLE_MBEDTLS=OFF -DENABLE_OPENSSL=OFF \
    -DENABLE_WINDOWS_CRYPTO=OFF -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF \
    -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF \
    -DZLIB_INCLUDE_DIR="/usr/$triple/include" -DZLIB_LIBRARY="/usr/$triple/lib/libz.a" \
    "${launcher[@]}" > "$work/build-$triple.log" 2>&1 ||
    { cat "$work/build-$triple.log" >&2; return 1; }
  cmake --build "$build" -j"$(nproc)" >> "$work/build-$triple.log" 2>&1 ||
    { cat "$work/build-$triple.log" >&2; return 1; }
  cmake --install "$build" >> "$work/build-$triple.log" 2>&1 ||
    { cat "$work/build-$triple.log" >&2; return 1; }
  rm -rf "$build"
}

mkdir -p "$work"
fetch_source
for triple in "${triples[@]}"; do
  build_for "$triple"
done
