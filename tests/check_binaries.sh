#!/bin/sh
# Checks the shipped files. The program loads nothing with itself but the kernel, the C
# runtime and advapi32 (the rest is loaded on first use, after start-up has restricted
# the DLL search); the engine imports system DLLs only. Both are hardened: dynamic base
# with relocations, no-execute data, no structured exception handlers (marked, and none
# installed by their code), stack canaries (seen when a symbol table is left). The
# program is a large-address-aware 32-bit GUI executable; the engine exports exactly
# DoOctolume and the paged entry points, undecorated.
# Usage: check_binaries.sh OBJDUMP PROGRAM ENGINE
set -eu
objdump=$1 program=$2 engine=$3
status=0
fail() { echo "FAIL: $*"; status=1; }

imports_only() { # FILE PATTERN
    for dll in $("$objdump" -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p'); do
        echo "$dll" | grep -qiE "$2" || fail "$(basename "$1") imports $dll"
    done
}
imports_only "$program" '^(KERNEL32|msvcrt|ADVAPI32)\.dll$'
imports_only "$engine" '^(KERNEL32|USER32|GDI32|ADVAPI32|SHELL32|OLE32|OLEAUT32|COMCTL32|COMDLG32|msvcrt)\.dll$'

for file in "$program" "$engine"; do
    name=$(basename "$file")
    headers=$("$objdump" -p "$file")
    for flag in DYNAMIC_BASE NX_COMPAT NO_SEH; do
        echo "$headers" | grep -qw "$flag" || fail "$name lacks $flag"
    done
    "$objdump" -h "$file" | grep -q '[[:space:]]\.reloc[[:space:]]' || fail "$name has no relocations"
    # fs:0 heads the thread's chain of exception handlers.
    if "$objdump" -d "$file" | grep -qE '%fs:0x0([^0-9a-fx]|$)'; then
        fail "$name installs an exception handler although marked NO_SEH"
    fi
    symbols=$("$objdump" -t "$file")
    if ! echo "$symbols" | grep -q 'no symbols'; then
        echo "$symbols" | grep -q '___stack_chk_fail' || fail "$name has no stack canaries"
    fi
done

"$objdump" -f "$program" | grep -q 'file format pei-i386' || fail "program is not PE32 i386"
"$objdump" -p "$program" | grep -q 'Subsystem[[:space:]]*00000002' || fail "program is not a GUI program"
# The view of a 2 MiB dump needs more than the 2 GB of a plain 32-bit process.
"$objdump" -p "$program" | grep -q 'large address aware' || fail "program is not large-address-aware"

exports=$("$objdump" -p "$engine" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
          sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]*//p')
# The name table is sorted.
expected="DoOctolume OctolumeCloseFile OctolumeDumpLines OctolumeFindBytes OctolumeOpenFile OctolumeReadBytes"
[ "$(echo $exports)" = "$expected" ] || fail "engine exports: $exports"

[ $status -eq 0 ] && echo "binaries: imports, hardening flags, PE32 GUI program (large-address-aware), engine exports DoOctolume and the paged entry points"
exit $status
