#!/bin/bash
# The Windows program is a 32-bit executable that imports only DLLs every
# Windows has: no compiler runtime, no toolkit beside it.
#   check-imports.sh QuorvishTelnet.exe
set -u
exe=$1
system_dlls="kernel32.dll user32.dll gdi32.dll opengl32.dll glu32.dll wsock32.dll winmm.dll
             msvcrt.dll advapi32.dll shell32.dll ws2_32.dll"
[ -f "$exe" ] || { echo "$exe is not built"; exit 1; }
header=$(i686-w64-mingw32-objdump -f "$exe") || exit 1
grep -q 'file format pei-i386' <<<"$header" || { echo "not a 32-bit Windows program:"; echo "$header"; exit 1; }
imports=$(i686-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
[ -n "$imports" ] || { echo "no imports found"; exit 1; }
status=0
for dll in $imports; do
    if grep -qw "$dll" <<<"$system_dlls"; then
        echo "imports $dll"
    else
        echo "imports $dll, which is not a system DLL"
        status=1
    fi
done
exit $status
