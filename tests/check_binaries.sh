#!/bin/sh
# Checks the shipped files: each imports system DLLs only (no MinGW runtime beside the
# program), the program is a large-address-aware 32-bit GUI executable, and the engine
# exports exactly DoOctolume, undecorated.
# Usage: check_binaries.sh OBJDUMP PROGRAM ENGINE
set -eu
objdump=$1 program=$2 engine=$3
status=0
fail() { echo "FAIL: $*"; status=1; }

allowed='^(KERNEL32|USER32|GDI32|ADVAPI32|SHELL32|OLE32|OLEAUT32|COMCTL32|COMDLG32|msvcrt|UUID)\.dll$'
for file in "$program" "$engine"; do
    for dll in $("$objdump" -p "$file" | sed -n 's/^[[:space:]]*DLL Name: //p'); do
        echo "$dll" | grep -qiE "$allowed" || fail "$(basename "$file") imports $dll"
    done
done

"$objdump" -f "$program" | grep -q 'file format pei-i386' || fail "program is not PE32 i386"
"$objdump" -p "$program" | grep -q 'Subsystem[[:space:]]*00000002' || fail "program is not a GUI program"
# The view of a 2 MiB dump needs more than the 2 GB of a plain 32-bit process.
"$objdump" -p "$program" | grep -q 'large address aware' || fail "program is not large-address-aware"

exports=$("$objdump" -p "$engine" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
          sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]*//p')
[ "$exports" = "DoOctolume" ] || fail "engine exports: $exports"

[ $status -eq 0 ] && echo "binaries: system imports only, PE32 GUI program (large-address-aware), engine exports DoOctolume"
exit $status
