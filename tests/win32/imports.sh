#!/usr/bin/env bash
# A Windows executable built for shipping: the expected PE format and
# subsystem, and an import table that names only system DLLs.
#   imports.sh OBJDUMP EXE FORMAT SUBSYSTEM
# FORMAT as objdump names it (pei-i386, pei-x86-64); SUBSYSTEM 2 for a
# windowed program, 3 for a console one.
set -u
objdump=$1 exe=$2 format=$3 subsystem=$4
allowed=' KERNEL32.DLL USER32.DLL GDI32.DLL OPENGL32.DLL WINMM.DLL MSVCRT.DLL '
headers=$("$objdump" -p "$exe") || { echo "FAIL: $objdump cannot read $exe"; exit 1; }
grep -q "file format $format\$" <<<"$headers" || { echo "FAIL: $exe is not $format: $(grep 'file format' <<<"$headers")"; exit 1; }
grep -Eq "^Subsystem[[:space:]]+0*$subsystem[[:space:]]" <<<"$headers" ||
  { echo "FAIL: $exe: $(grep '^Subsystem' <<<"$headers"), expected $subsystem"; exit 1; }
dlls=$(awk '/DLL Name:/ {print toupper($3)}' <<<"$headers")
[ -n "$dlls" ] || { echo "FAIL: $exe imports nothing"; exit 1; }
echo "$exe imports:" $dlls
status=0
for dll in $dlls; do
  [[ $allowed == *" $dll "* ]] || { echo "FAIL: $dll is not a system DLL the show may import"; status=1; }
done
exit $status
