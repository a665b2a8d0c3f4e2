#!/usr/bin/env bash
# The 32-bit program can't be started on the build machines, so it is held to
# the 64-bit one, which the tests run under Wine: with the mingw toolchains'
# objdump, both must be Windows GUI programs whose start-up is the C runtime's
# (entry point in the code, the same start-up imports), whose resources are
# the same bytes under the same types, names and languages, and which import
# the same functions from the same DLLs, but for what differs by processor
# alone (listed below).
#
#   bash scripts/check_win32.sh [WIN64_BUILD] [WIN32_BUILD]
set -euo pipefail
cd "$(dirname "$0")/.."
win64=${1:-build/win64}/app/Quandrelistaphor.exe
win32=${2:-build/win32}/app/Quandrelistaphor.exe
for program in "$win64" "$win32"; do
    [ -f "$program" ] || { echo "check_win32: $program is not built" >&2; exit 2; }
done

# The facts of one program, one per line, in an order that doesn't depend on
# where the linker put things.
facts() {
    local objdump=$1 program=$2
    "$objdump" -p "$program" >"$work/p"
    "$objdump" -s -j .rsrc "$program" >"$work/rsrc"
    "$objdump" -h "$program" >"$work/h"
    python3 - "$work/p" "$work/rsrc" "$work/h" <<'PY'
import hashlib, re, sys
p = open(sys.argv[1]).read().splitlines()
rsrc = open(sys.argv[2]).read().splitlines()
sections = open(sys.argv[3]).read().splitlines()
facts = []
values = {}
for line in p:
    m = re.match(r"^(\w+)\s+([0-9a-fA-F]+)(?:\s+\((.*)\))?$", line)
    if m:
        values[m.group(1)] = (int(m.group(2), 16), m.group(3))
facts.append("subsystem %s" % values["Subsystem"][1])
base, entry = values["ImageBase"][0], values["AddressOfEntryPoint"][0]
# The entry point lies in .text, where the C runtime's start-up code is.
for line in sections:
    f = line.split()
    if len(f) >= 7 and f[1] == ".text":
        size, vma = int(f[2], 16), int(f[3], 16)
        facts.append("entry in .text %s" % (vma <= base + entry < vma + size))
# Imports: DLL (any case) and function.
dll = None
for line in p:
    m = re.match(r"^\s*DLL Name: (\S+)", line)
    if m:
        dll = m.group(1).lower()
        continue
    m = re.match(r"^\s*[0-9a-f]+\s+\d+\s+(\S+)$", line)
    if dll and m:
        facts.append("import %s %s" % (dll, m.group(1)))
    if line.startswith("The .rsrc") or line.startswith("There is an export"):
        dll = None
# Resources: the path of ids to each leaf, and its bytes' digest.
data = {}
for line in rsrc:
    m = re.match(r"^ ([0-9a-f]+) ((?:[0-9a-f]{1,8} ){1,4})", line)
    if m:
        address = int(m.group(1), 16)
        for word in m.group(2).split():
            for i in range(0, len(word), 2):
                data[address] = int(word[i:i + 2], 16)
                address += 1
path = []
for line in p:
    m = re.match(r"^[0-9a-f]+(\s+)Entry: ID: 0x([0-9a-f]+)", line)
    if m:
        depth = (len(m.group(1)) - 3) // 2
        path = path[:depth] + [m.group(2)]
        continue
    m = re.match(r"^[0-9a-f]+\s+Leaf: Addr: 0x([0-9a-f]+), Size: 0x([0-9a-f]+)", line)
    if m:
        start, size = base + int(m.group(1), 16), int(m.group(2), 16)
        body = bytes(data.get(start + i, 0) for i in range(size))
        facts.append("resource %s size %d sha256 %s" % ("/".join(path), size, hashlib.sha256(body).hexdigest()))
print("\n".join(sorted(facts)))
PY
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
facts x86_64-w64-mingw32-objdump "$win64" >"$work/win64.facts"
facts i686-w64-mingw32-objdump "$win32" >"$work/win32.facts"

# What differs by processor and nothing else: the Ptr forms of the window
# calls, which are macros for the plain ones in 32-bit Windows; the C
# runtime's names for the same things; its exception and unwinding helpers,
# and what its 32-bit start-up calls besides. Any other difference fails.
translate='s/LongPtrA$/LongA/; s/ ___mb_cur_max_func$/ __mb_cur_max/; s/ __iob_func$/ _iob/;
    s/ _acmdln$/ __p__acmdln/; s/ _commode$/ __p__commode/; s/ _fmode$/ __p__fmode/; s/ _setjmp$/ _setjmp3/'
only64='^import (kernel32.dll (__C_specific_handler|RtlAddFunctionTable|RtlCaptureContext|RtlLookupFunctionEntry|RtlVirtualUnwind|RtlUnwindEx)|msvcrt.dll ___lc_codepage_func)$'
only32='^import (kernel32.dll (FreeLibrary|LoadLibraryA|RtlUnwind)|msvcrt.dll (atoi|setlocale|strchr))$'
for kind in subsystem entry import resource; do
    grep "^$kind " "$work/win64.facts" | sed -E "$translate" | grep -Ev "$only64" | sort -u >"$work/a" || true
    grep "^$kind " "$work/win32.facts" | grep -Ev "$only32" | sort -u >"$work/b" || true
    if [ ! -s "$work/a" ]; then
        echo "check_win32: the 64-bit program shows no $kind facts" >&2
        exit 1
    fi
    if ! diff -u --label win64 --label win32 "$work/a" "$work/b"; then
        echo "check_win32: the 32-bit program's ${kind}s differ from the 64-bit one's" >&2
        exit 1
    fi
done
grep -q '^subsystem Windows GUI$' "$work/win64.facts" && grep -q '^entry in .text True$' "$work/win64.facts" || {
    echo "check_win32: not a Windows GUI program that starts in its code" >&2
    exit 1
}
echo "check_win32: $(grep -c '^import ' "$work/win32.facts") imports, $(grep -c '^resource ' "$work/win32.facts") resources and the start-up agree"
