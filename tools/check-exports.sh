#!/bin/bash
# Checks that two Windows modules export the same function names, and that the
# list is not empty.
#   check-exports.sh <module> <module>
set -euo pipefail
exports() {
    x86_64-w64-mingw32-objdump -p "$1" |
        awk '/\[Ordinal\/Name Pointer\] Table/ {t=1; next} t && /^[ \t]*\[/ {print $NF} t && /^$/ {t=0}' | sort
}
a=$(exports "$1")
b=$(exports "$2")
if [ -z "$a" ]; then
    echo "no exports in $1" >&2
    exit 1
fi
if [ "$a" != "$b" ]; then
    echo "export lists differ:" >&2
    diff <(echo "$a") <(echo "$b") >&2 || true
    exit 1
fi
echo "$(echo "$a" | wc -l) exports match"
