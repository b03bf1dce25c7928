#!/bin/bash
# The Windows program is a 32-bit executable that imports only DLLs every
# Windows has: no compiler runtime, no toolkit beside it.
#   check-imports.sh QuorvishTelnet.exe
set -u
i686-w64-mingw32-objdump -f "$1" | grep -q 'file format pei-i386' || { echo "$1: not a 32-bit Windows program"; exit 1; }
imports=$(i686-w64-mingw32-objdump -p "$1" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
echo "imports:" $imports
others=$(grep -vxE '(kernel32|user32|gdi32|opengl32|glu32|wsock32|winmm|msvcrt|advapi32|shell32|ws2_32)\.dll' <<<"$imports")
[ -n "$imports" ] && [ -z "$others" ] || { echo "not system DLLs:" $others; exit 1; }
