#!/bin/bash
# tools/wine-run.sh on programs that end in ways a test program must not
# pass with: a GoogleTest program that ends with 0 before its summary (as
# when its wineserver goes away under it) fails, and a failed run says how
# the program ended.
#   wine-run-test.sh <prefix> <work folder>
set -uo pipefail
prefix=$1 work=$2
run=$(cd "$(dirname "$0")/.." && pwd)/wine-run.sh
rm -rf "$work"
mkdir -p "$work"
failed=0
check() {
    echo "FAILED: $*"
    failed=1
}

status=0
"$run" --gtest "$prefix" "$work/silent" cmd /c exit 0 >"$work/silent.txt" 2>&1 || status=$?
[ "$status" -ne 0 ] || check "a GoogleTest run that printed nothing passed"
grep -q "^wine-run.sh: the program ended before its tests did" "$work/silent.txt" ||
    check "the silent run did not say that the tests never finished: $(cat "$work/silent.txt")"

status=0
"$run" "$prefix" "$work/plain" cmd /c exit 0 >"$work/plain.txt" 2>&1 || status=$?
[ "$status" -eq 0 ] || check "a plain program that ended with 0 failed: $(cat "$work/plain.txt")"

status=0
"$run" --gtest "$prefix" "$work/failing" cmd /c exit 3 >"$work/failing.txt" 2>&1 || status=$?
[ "$status" -eq 3 ] || check "exit code 3 became $status"
grep -q "^wine-run.sh: cmd ended with exit status 3, having written nothing after [0-9]*\.[0-9]* s$" \
    "$work/failing.txt" || check "the failed run did not say how it ended: $(cat "$work/failing.txt")"
grep -q "^wine-run.sh: the wineserver of $prefix now is process [0-9]*, .*, started [0-9]* ticks" \
    "$work/failing.txt" || check "the failed run did not name the prefix's wineserver: $(cat "$work/failing.txt")"

[ "$failed" = 0 ] && echo "wine-run.sh: silent, plain and failing runs judged and described"
exit "$failed"
