#!/usr/bin/env bash
# Builds a demonstration update and serves it on 127.0.0.1, so that the online update can be
# tried without the maker's web server:
#   - a copy of the program in a demo folder (built with a release date two days back and its
#     file dated two days back, so that the update counts as new),
#   - a throwaway Ed25519 key pair (made for this run, kept in the build folder only),
#   - Updates.ini with the sections "Ranko" (32-bit Windows), "Ranko-Win64" (64-bit Windows)
#     and "Ranko-Linux",
#   - the signed archive Updates/Ranko.zip, whose Update.bat replaces the copy of the program
#     and drops a note beside it; the program starts again when that is chosen.
#
# The maker's steps for a release, which this script plays through with a throwaway key:
#   1. Build the release with its date: cmake -DRANGWERK_RELEASE_DATE=YYYY-MM-DD
#      -DRANGWERK_UPDATE_MAKER_KEY=public.pem ... (the date must be later than every earlier
#      release's; the program installs an update only over an older release).
#   2. Pack the archive: Update.bat, the new files and Release.ini, which names the same date:
#      "[Release]" and "Date=YYYY-MM-DD". The signature covers it, so no one can change it.
#   3. Sign the archive: the Ed25519 signature of its SHA-512 digest, beside it as Ranko.zip.sig.
#   4. Put both below /Updates/ on the web server and name the archive in Updates.ini (File=),
#      with Date= in the users' short date format and the news of the release.
#
# Usage: scripts/update-server.sh [port]   (default 8765; the program to copy may be named by
# RANGWERK_PROGRAM, otherwise it is built as scripts/run.sh builds it; a program named there
# must have been built with a release date before today).
#        scripts/update-server.sh --no-serve   makes the files and ends (for the tests).
# RANGWERK_UPDATE_DEMO names the folder to make them in (default build/update-demo).
set -euo pipefail
cd "$(dirname "$0")/.."
serve=true
port=8765
if [ "${1:-}" = "--no-serve" ]; then
  serve=false
elif [ -n "${1:-}" ]; then
  port="$1"
fi

if $serve; then
  scripts/install-deps.sh
fi

# The release of the demonstration's program, and the later one its update brings.
program_release="$(date -d '2 days ago' +%F)"
update_release="$(date +%F)"

program="${RANGWERK_PROGRAM:-}"
if [ -z "$program" ]; then
  cmake -S . -B build/run -DCMAKE_BUILD_TYPE=Release -DRANGWERK_BUILD_TESTS=OFF \
    -DRANGWERK_RELEASE_DATE="$program_release" > /dev/null
  cmake --build build/run -j"$(nproc)" --target rangwerk
  program=build/run/app/rangwerk
fi

work="${RANGWERK_UPDATE_DEMO:-$(pwd)/build/update-demo}"
rm -rf "$work"
mkdir -p "$work/keys" "$work/www/Updates/windows" "$work/registry"
demo="$work/Rangwerk Demo"
mkdir -p "$demo"
cp "$program" "$demo/rangwerk"
touch -d "2 days ago" "$demo/rangwerk"

# The key pair of this run. The private key never leaves the build folder.
openssl genpkey -algorithm ED25519 -out "$work/keys/private.pem"
openssl pkey -in "$work/keys/private.pem" -pubout -out "$work/keys/public.pem"
chmod 600 "$work/keys/private.pem"

today="$(date +%d.%m.%Y)"
# Updates.ini: Windows-1252, CR LF. The news list stands in single quotes: the reader takes one
# pair of quotes enclosing a whole value away, and the double quotes must stay around the item so
# that its blanks do not split it.
printf '%s\r\n' \
  '[Ranko]' \
  "Date=$today" \
  'File=windows/Ranko.zip' \
  "News='\"$today: Demonstrations-Update vom lokalen Server\"'" \
  '' \
  '[Ranko-Win64]' \
  "Date=$today" \
  'File=windows/Ranko.zip' \
  "News='\"$today: Demonstrations-Update vom lokalen Server\"'" \
  '' \
  '[Ranko-Linux]' \
  "Date=$today" \
  'File=Ranko.zip' \
  "News='\"$today: Demonstrations-Update vom lokalen Server, das Programm wird ersetzt\"'" \
  > "$work/www/Updates.ini"

# Update.bat for the Linux build: groups of four lines (the first kept, the second and third
# filled with the program's folder, the fourth with the temporary folder and the program's
# folder), then the tail (lines beginning with a blank, filled with the temporary folder).
# Every value stands in double quotes.
printf '%s\r\n' \
  'echo Rangwerk-Update' \
  'test -d "%s" || exit 1' \
  'rm -f "%srangwerk.alt"' \
  'mv "%1:srangwerk" "%1:srangwerk.alt" && cp "%0:srangwerk" "%1:srangwerk" && chmod 755 "%1:srangwerk"' \
  'echo Hinweis' \
  'date > "%sUPDATE-DEMO.txt"' \
  'echo "Dieses Programm wurde über den lokalen Update-Server ersetzt." >> "%sUPDATE-DEMO.txt"' \
  'cp "%0:sUPDATE-NEWS.txt" "%1:sUPDATE-NEWS.txt"' \
  ' rm -f "%srangwerk"' \
  ' rm -f "%sUPDATE-NEWS.txt"' \
  > "$work/Update.bat"
printf 'Neu in diesem Update: nichts, es ist eine Vorführung.\n' > "$work/UPDATE-NEWS.txt"

# Update.bat for the Windows builds. With RANGWERK_WINDOWS_PROGRAM (a Rangwerk.exe built with a
# release date before today) the archive brings that program: the first group waits until the
# running program has ended (Windows does not let a running program file be replaced), then
# copies the new one over it; the tail drops a note beside it. Without it the batch is harmless
# and only shows the folders it was given.
windows_program="${RANGWERK_WINDOWS_PROGRAM:-}"
if [ -n "$windows_program" ]; then
  printf '%s\r\n' \
    ':warten' \
    'del "%sRangwerk.exe" 2> nul' \
    'if exist "%sRangwerk.exe" goto warten' \
    'copy "%sRangwerk.exe" "%s" > nul' \
    'echo Hinweis' \
    'echo Rangwerk wurde ueber den lokalen Update-Server ersetzt.> "%sUPDATE-DEMO.txt"' \
    'rem %s' \
    'rem %s %s' \
    > "$work/Update-windows.bat"
else
  printf '%s\r\n' \
    '@echo off' \
    'echo Rangwerk-Update' \
    'echo Programmordner: "%s"' \
    'echo Temporaerer Ordner: "%s", Programmordner: "%s"' \
    > "$work/Update-windows.bat"
fi

# The release the archive brings, inside the signed archive.
printf '%s\r\n' '[Release]' "Date=$update_release" > "$work/Release.ini"

python3 - "$work" "$windows_program" <<'PY'
import sys, zipfile
work = sys.argv[1]
windows_program = sys.argv[2]
with zipfile.ZipFile(f"{work}/www/Updates/Ranko.zip", "w", zipfile.ZIP_DEFLATED) as z:
    z.write(f"{work}/Update.bat", "Update.bat")
    z.write(f"{work}/Rangwerk Demo/rangwerk", "bin/rangwerk")
    z.write(f"{work}/UPDATE-NEWS.txt", "UPDATE-NEWS.txt")
    z.write(f"{work}/Release.ini", "Release.ini")
with zipfile.ZipFile(f"{work}/www/Updates/windows/Ranko.zip", "w", zipfile.ZIP_DEFLATED) as z:
    z.write(f"{work}/Update-windows.bat", "Update.bat")
    z.write(f"{work}/Release.ini", "Release.ini")
    if windows_program:
        z.write(windows_program, "Rangwerk.exe")
PY

# The maker's signature: Ed25519 over the archive's SHA-512 digest.
for archive in "$work/www/Updates/Ranko.zip" "$work/www/Updates/windows/Ranko.zip"; do
  openssl dgst -sha512 -binary "$archive" > "$work/digest"
  openssl pkeyutl -sign -inkey "$work/keys/private.pem" -rawin -in "$work/digest" -out "$archive.sig"
done
rm -f "$work/digest"

if ! $serve; then
  exit 0
fi

cat <<EOT

A demonstration update is ready in $work/www.
Start the copy of the program against this server in another terminal:

  RANGWERK_UPDATE_HOST=127.0.0.1:$port \\
  RANGWERK_UPDATE_TRUSTED_KEY="$work/keys/public.pem" \\
  RANGWERK_REGISTRY_DIR="$work/registry" \\
  "$demo/rangwerk"

Press Ctrl+U and click "Weiter >", "Jetzt auf neue Updates prüfen", "Weiter >" (the download
runs), "Weiter >", "Weiter >" (the installation is prepared) and "Beenden". After the program
has ended, the copy in "$demo" is replaced (the old file stays as rangwerk.alt),
UPDATE-DEMO.txt appears beside it, and the program starts again. The update is of
$update_release, the copy's release of $program_release.

Serving on http://127.0.0.1:$port/ (Ctrl+C ends the server).
EOT
exec python3 -m http.server "$port" --bind 127.0.0.1 --directory "$work/www"
