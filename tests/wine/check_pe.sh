#!/usr/bin/env bash
# Reads the hardening of the built exe back from the file itself:
# DllCharacteristics exactly 0x0540 (dynamic base, NX, no SEH), a .reloc
# section, no section both writable and executable, and imports from system
# DLLs only (no mingw runtime DLLs).
#   tests/wine/check_pe.sh [path/to/zena.exe]     (default build/win32/bin/zena.exe)
# Prints one "ok - ..." / "not ok - ..." line per check; exits 1 on any failure.
set -uo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
exe=${1:-$repo/build/win32/bin/zena.exe}
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
failed=0

check() {  # check <condition-status> <name> <detail>
    if [ "$1" = 0 ]; then echo "ok - $2"; else echo "not ok - $2: $3"; failed=1; fi
}

if [ ! -f "$exe" ]; then
    echo "not ok - pe: $exe exists: not built"
    exit 1
fi
if ! headers=$("$objdump" -p "$exe" 2>&1) || ! sections=$("$objdump" -h "$exe" 2>&1); then
    echo "not ok - pe: $objdump reads $exe: $headers"
    exit 1
fi

characteristics=$(awk '$1 == "DllCharacteristics" { print $2 }' <<<"$headers")
[ "$characteristics" = 00000540 ]
check $? "pe: DllCharacteristics is 0x0540 (dynamic base, NX, no SEH)" "got 0x$characteristics"

grep -Eq '^ +[0-9]+ \.reloc ' <<<"$sections"
check $? "pe: has a .reloc section" "no .reloc in the section table"

# Section flags straight from the section table: objdump -h names code
# and read-only but not the execute permission itself.
u16() { od -A n -t u2 -j "$1" -N 2 "$exe" | tr -d ' '; }
u32() { od -A n -t u4 -j "$1" -N 4 "$exe" | tr -d ' '; }
pe=$(u32 60)
count=$(u16 $((pe + 6)))
optional_size=$(u16 $((pe + 20)))
table=$((pe + 24 + optional_size))
writable_code=""
for ((i = 0; i < count; i++)); do
    entry=$((table + 40 * i))
    name=$(dd if="$exe" bs=1 skip="$entry" count=8 2>/dev/null | tr -d '\0')
    flags=$(u32 $((entry + 36)))
    # IMAGE_SCN_MEM_EXECUTE 0x20000000, IMAGE_SCN_MEM_WRITE 0x80000000
    if (( (flags & 0x20000000) && (flags & 0x80000000) )); then
        writable_code+=" $name"
    fi
done
# The same rule as objdump words it: code that is not read-only.
objdump_writable_code=$(awk '/^ +[0-9]+ / { name = $2; next }
    /CODE/ && !/READONLY/ { print name }' <<<"$sections" | tr '\n' ' ')
[ "$count" -gt 0 ] && [ -z "$writable_code" ] && [ -z "$objdump_writable_code" ]
check $? "pe: no section both writable and executable ($count sections)" \
    "writable and executable:${writable_code} ${objdump_writable_code}"

dlls=$(awk '/DLL Name:/ { print $3 }' <<<"$headers")
allowed='^(kernel32|user32|gdi32|shell32|msimg32|comctl32|advapi32|msvcrt)\.dll$'
foreign=""
for dll in $dlls; do
    grep -Eqi "$allowed" <<<"$dll" || foreign+=" $dll"
done
grep -qix 'kernel32.dll' <<<"$dlls" && [ -z "$foreign" ]
check $? "pe: imports only system DLLs ($(echo $dlls))" "not allowed:${foreign:- (no KERNEL32 import found)}"

exit "$failed"
