#!/bin/bash
# The binaries that ship go out without their debug information: each holds
# no debug section, stays small, and carries a link (name and checksum) to
# <file>.debug beside it, through which gdb finds a function's source line.
# A copy without the .debug file beside it shows that the line came through
# the link.
#   shipped-binaries-test.sh <work folder> <file> <function> [<file> <function>]...
set -euo pipefail
work=$1
shift
rm -rf "$work"
mkdir -p "$work"
max_bytes=$((16 * 1024 * 1024))
fail() {
    echo "$1: $2" >&2
    exit 1
}
while [ $# -ge 2 ]; do
    file=$1 function=$2
    shift 2
    [ -f "$file" ] || fail "$file" "missing"
    sections=$(x86_64-w64-mingw32-objdump -h "$file" | awk '$1 ~ /^[0-9]+$/ {print $2}')
    if grep -q '^\.debug_' <<<"$sections"; then
        fail "$file" "still holds debug sections: $(grep '^\.debug_' <<<"$sections" | tr '\n' ' ')"
    fi
    grep -qx '\.gnu_debuglink' <<<"$sections" || fail "$file" "carries no debug link"
    size=$(stat -c %s "$file")
    [ "$size" -le "$max_bytes" ] || fail "$file" "$size bytes"

    # The link names <file>.debug, whose checksum it holds.
    x86_64-w64-mingw32-objcopy --dump-section .gnu_debuglink="$work/link" "$file" "$work/scratch"
    python3 - "$work/link" "$file" <<'PY' || fail "$file" "the debug link does not match the file beside it"
import os, struct, sys, zlib
link = open(sys.argv[1], "rb").read()
name = link[:link.index(b"\0")].decode()
crc = struct.unpack("<I", link[(len(name) + 4) & ~3:][:4])[0]
expected = os.path.basename(sys.argv[2]) + ".debug"
if name != expected:
    sys.exit(f"the link names {name}, not {expected}")
debug = os.path.join(os.path.dirname(sys.argv[2]), name)
if not os.path.isfile(debug):
    sys.exit(f"{debug} is missing")
if zlib.crc32(open(debug, "rb").read()) != crc:
    sys.exit(f"{debug} is not the file the link was made for")
PY
    x86_64-w64-mingw32-objdump -h "$file.debug" | grep -q ' \.debug_info ' || fail "$file.debug" "holds no .debug_info"

    line=$(gdb -nx -batch -ex "info line $function" "$file" 2>&1 | grep -E '^Line [0-9]+ of ".+\.cpp"' || true)
    [ -n "$line" ] || fail "$file" "gdb finds no source line of $function"
    echo "$(basename "$file") ($size bytes): $line"

    mkdir -p "$work/alone"
    cp "$file" "$work/alone/"
    if gdb -nx -batch -ex "info line $function" "$work/alone/$(basename "$file")" 2>&1 | grep -qE '^Line [0-9]+ of'; then
        fail "$file" "carries its own line information"
    fi
    rm -rf "$work/alone"
done
[ $# -eq 0 ] || fail "$1" "no function named"
