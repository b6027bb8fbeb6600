#!/usr/bin/env bash
# Checks the form of a built Windows program file (Rangwerk.exe, 32 or 64 bits) from outside:
# a GUI program (not a console one), which imports only DLLs that Windows itself has (the
# compiler's runtime is linked in, so nothing has to stand beside it), and which stripped is at
# most 4 MB. Prints what it found; exits 1 when a check fails.
#
#   scripts/check-windows-program.sh PROGRAM.exe
set -euo pipefail

program=$1
limit=4000000

# The DLLs of Windows itself the program may import (compared without letter case).
system_dlls=" kernel32.dll user32.dll gdi32.dll comctl32.dll comdlg32.dll shell32.dll advapi32.dll
  version.dll msvcrt.dll ole32.dll oleaut32.dll shlwapi.dll uxtheme.dll imm32.dll winmm.dll
  wininet.dll ws2_32.dll crypt32.dll bcrypt.dll rpcrt4.dll "
# One space between the names (the list's line break included), so each is found as " name ".
system_dlls=" $(echo $system_dlls) "

format=$(x86_64-w64-mingw32-objdump -f "$program" | sed -n 's/.*file format \(.*\)$/\1/p')
case "$format" in
  pei-i386) triple=i686-w64-mingw32 ;;
  pei-x86-64) triple=x86_64-w64-mingw32 ;;
  *) echo "$program: not a Windows program file ($format)" >&2; exit 1 ;;
esac

status=0
headers=$("$triple-objdump" -p "$program")
if ! grep -q '^Subsystem[[:space:]]*00000002' <<< "$headers"; then
  echo "$program: not a GUI program (subsystem $(grep '^Subsystem' <<< "$headers"))" >&2
  status=1
fi

imports=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<< "$headers" | tr '[:upper:]' '[:lower:]')
for dll in $imports; do
  if [[ "$system_dlls" != *" $dll "* ]]; then
    echo "$program: imports $dll, which Windows does not have" >&2
    status=1
  fi
done

stripped=$(mktemp)
trap 'rm -f "$stripped"' EXIT
"$triple-strip" -o "$stripped" "$program"
size=$(stat -c %s "$stripped")
if [ "$size" -gt "$limit" ]; then
  echo "$program: $size bytes stripped, more than $limit" >&2
  status=1
fi

echo "$(basename "$program") ($format): GUI program, imports $(echo $imports | tr ' ' ','), $size bytes stripped (limit $limit)"
exit $status
