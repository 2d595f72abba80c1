#!/bin/bash
# tools/wine-run.sh on programs that end in ways a test program must not
# pass with: a GoogleTest program that ends with 0 before its summary (as
# when its wineserver goes away under it) fails, and a failed run says how
# the program ended. A start that Wine's loader gave up is made again, and so
# is a GoogleTest program whose tests all passed and whose process then failed
# ld.so's check of its loaded libraries; no other. A run that has to make its
# prefix first leaves no wineserver behind it.
#   wine-run-test.sh <prefix> <work folder>
set -uo pipefail
if [ $# -ne 2 ]; then
    echo "usage: wine-run-test.sh <prefix> <work folder>" >&2
    exit 2
fi
prefix=$1 work=$2
tools=$(cd "$(dirname "$0")/.." && pwd)
run=$tools/wine-run.sh
. "$tools/process-start.sh"
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

# Wine's loader failing before the program runs, through a stand-in for wine
# that fails its first <fails> starts by printing <line> and ending with 1,
# then hands on to the real one. A start is made again only after that line
# with a failed status, at most twice.
real_wine=$(command -v wine)
map_failure="err:virtual:virtual_alloc_first_teb wine: failed to map the shared user data: c0000018"
# starts_with <name> <fails> <line> <exit code of the program> [went-on]: sets
# status and starts. With went-on the failing starts print the line and run.
starts_with() {
    local folder=$work/stand-in-$1
    mkdir -p "$folder"
    cat >"$folder/wine" <<EOF
#!/bin/bash
n=\$(cat "$folder/starts" 2>/dev/null || echo 0)
echo \$((n + 1)) >"$folder/starts"
if [ "\$n" -lt $2 ]; then
    echo "$3"
    [ "${5:-}" = went-on ] || exit 1
fi
exec "$real_wine" "\$@"
EOF
    chmod +x "$folder/wine"
    status=0
    PATH=$folder:$PATH "$run" "$prefix" "$work/$1" cmd /c exit "$4" >"$work/$1.txt" 2>&1 || status=$?
    starts=$(cat "$folder/starts")
}
starts_with twice 2 "$map_failure" 0
[ "$status" -eq 0 ] && [ "$starts" -eq 3 ] ||
    check "two failed starts: status $status after $starts starts: $(cat "$work/twice.txt")"
[ "$(grep -c '^wine-run.sh: Wine could not start cmd (exit status 1); starting it again ([12] of 2)$' \
    "$work/twice.txt")" -eq 2 ] || check "the starts made again were not told: $(cat "$work/twice.txt")"
starts_with always 5 "$map_failure" 0
[ "$status" -eq 1 ] && [ "$starts" -eq 3 ] ||
    check "a start that always failed: status $status after $starts starts: $(cat "$work/always.txt")"
starts_with other 1 "err:virtual:virtual_alloc_first_teb something else" 0
[ "$status" -eq 1 ] && [ "$starts" -eq 1 ] ||
    check "another failure was started again: status $status after $starts starts: $(cat "$work/other.txt")"
starts_with went-on 1 "$map_failure" 0 went-on
[ "$status" -eq 0 ] && [ "$starts" -eq 1 ] ||
    check "a start that went on was made again: status $status after $starts starts: $(cat "$work/went-on.txt")"
starts_with ran 0 "" 7
[ "$status" -eq 7 ] && [ "$starts" -eq 1 ] ||
    check "a program that ran and failed: status $status after $starts starts: $(cat "$work/ran.txt")"

# A GoogleTest program whose Unix process fails ld.so's check of its loaded
# libraries in exit() (ld.so ends it with 127), through a stand-in for wine:
# start n prints the n-th output given and ends with its status; a start
# beyond them prints a passing summary and hands on to the real one. Only a
# program that printed its summary with every test passed, and then the
# check's line, is started again; the loader's failure and this one share the
# two starts made again.
outputs=$work/outputs
mkdir -p "$outputs"
# The lines a GoogleTest program prints (ending in CR LF) up to its second test.
printf '%s\r\n' "[==========] Running 2 tests from 1 test suite." "[ RUN      ] Suite.One" \
    "[       OK ] Suite.One (0 ms)" "[ RUN      ] Suite.Two" >"$outputs/unfinished"
ran="[==========] 2 tests from 1 test suite ran. (1 ms total)"
{ cat "$outputs/unfinished" &&
    printf '%s\r\n' "[       OK ] Suite.Two (0 ms)" "$ran" "[  PASSED  ] 2 tests."; } >"$outputs/passed"
{ cat "$outputs/unfinished" &&
    printf '%s\r\n' "x.cpp:3: Failure" "[  FAILED  ] Suite.Two (0 ms)" "$ran" "[  PASSED  ] 1 test." \
        "[  FAILED  ] 1 test, listed below:" "[  FAILED  ] Suite.Two" "" " 1 FAILED TEST"; } >"$outputs/failed"
{ cat "$outputs/unfinished" &&
    printf '%s\r\n' "[  SKIPPED ] Suite.Two (0 ms)" "$ran" "[  PASSED  ] 1 test." "[  SKIPPED ] 1 test, listed below:" \
        "[  SKIPPED ] Suite.Two"; } >"$outputs/skipped"
# Every test passed, and a suite's set-up or tear-down failed.
{ cat "$outputs/unfinished" &&
    printf '%s\r\n' "[       OK ] Suite.Two (0 ms)" "x.cpp:9: Failure" "$ran" "[  PASSED  ] 2 tests." \
        "[  FAILED  ] 0 tests, listed below:" "[  FAILED  ] Suite: SetUpTestSuite or TearDownTestSuite" "" \
        " 1 FAILED TEST SUITE"; } >"$outputs/suite-failed"
ld_check="Inconsistency detected by ld.so: dl-fini.c: 87: _dl_fini:"
ld_check="$ld_check Assertion \`ns != LM_ID_BASE || i == nloaded' failed!"
for output in unfinished passed failed skipped suite-failed; do
    { cat "$outputs/$output" && echo "$ld_check"; } >"$outputs/$output-check"
done
echo "$ld_check" >"$outputs/check"
{ cat "$outputs/passed" &&
    echo "Inconsistency detected by ld.so: dl-close.c: 120: _dl_close: Assertion \`map->l_init_called' failed!"; } \
    >"$outputs/passed-other-check"
echo "$map_failure" >"$outputs/map"
# ends_with <name> <--gtest or plain> <output>:<status>...: sets status and starts.
ends_with() {
    local name=$1 kind=$2 folder=$work/stand-in-$1 given="" start
    shift 2
    for start in "$@"; do
        given="$given \"$outputs/$start\""
    done
    mkdir -p "$folder"
    cat >"$folder/wine" <<EOF
#!/bin/bash
n=\$(cat "$folder/starts" 2>/dev/null || echo 0)
echo \$((n + 1)) >"$folder/starts"
given=($given)
if [ "\$n" -lt \${#given[@]} ]; then
    cat "\${given[\$n]%:*}"
    exit "\${given[\$n]##*:}"
fi
cat "$outputs/passed"
exec "$real_wine" "\$@"
EOF
    chmod +x "$folder/wine"
    local options=()
    [ "$kind" = plain ] || options=(--gtest)
    status=0
    PATH=$folder:$PATH "$run" "${options[@]}" "$prefix" "$work/$name" cmd /c exit 0 >"$work/$name.txt" 2>&1 ||
        status=$?
    starts=$(cat "$folder/starts")
}
told_check="^wine-run.sh: cmd passed its tests, then Wine failed ld.so's check as it ended (exit status 127);"
told_check="$told_check starting it again ([12] of 2)$"
ends_with checked-once --gtest passed-check:127
[ "$status" -eq 0 ] && [ "$starts" -eq 2 ] && [ "$(grep -c "$told_check" "$work/checked-once.txt")" -eq 1 ] ||
    check "a passed program that failed the check once: status $status after $starts starts:" \
        "$(cat "$work/checked-once.txt")"
ends_with checked-always --gtest passed-check:127 passed-check:127 passed-check:127
[ "$status" -eq 127 ] && [ "$starts" -eq 3 ] && [ "$(grep -c "$told_check" "$work/checked-always.txt")" -eq 2 ] &&
    [ "$(grep -c "starting it again" "$work/checked-always.txt")" -eq 2 ] ||
    check "a program that always failed the check: status $status after $starts starts:" \
        "$(cat "$work/checked-always.txt")"
ends_with start-then-check --gtest map:1 passed-check:127
[ "$status" -eq 0 ] && [ "$starts" -eq 3 ] && [ "$(grep -c "$told_check" "$work/start-then-check.txt")" -eq 1 ] ||
    check "a failed start, then the check: status $status after $starts starts: $(cat "$work/start-then-check.txt")"
ends_with starts-then-check --gtest map:1 map:1 passed-check:127
[ "$status" -eq 127 ] && [ "$starts" -eq 3 ] ||
    check "the check after two failed starts: status $status after $starts starts:" \
        "$(cat "$work/starts-then-check.txt")"
# Tests that failed or were skipped, a suite that failed, a summary never
# reached, another of ld.so's checks, no failed status: none is the failure
# made again.
for case in failed-check:127 suite-failed-check:127 skipped-check:127 unfinished-check:127 \
    passed-other-check:127 passed-check:0 failed:1; do
    ends_with "not-${case/:/-}" --gtest "$case"
    [ "$status" -eq "${case#*:}" ] && [ "$starts" -eq 1 ] ||
        check "${case%:*} with status ${case#*:} was judged wrongly: status $status after $starts starts:" \
            "$(cat "$work/not-${case/:/-}.txt")"
done
ends_with plain-check plain check:127
[ "$status" -eq 127 ] && [ "$starts" -eq 1 ] ||
    check "a plain program that failed the check was started again: status $status after $starts starts:" \
        "$(cat "$work/plain-check.txt")"

# A prefix that does not exist yet is made for the run. Its server must end
# with the program: one that stayed would make the sockets of the next run,
# in whatever network namespace that one runs, from this run's.
fresh=$work/fresh-prefix
status=0
"$run" "$fresh" "$work/fresh" cmd /c exit 0 >"$work/fresh.txt" 2>&1 || status=$?
[ "$status" -eq 0 ] || check "a run in a prefix it had to make failed: $(cat "$work/fresh.txt")"
for _ in $(seq 1 100); do
    [ -z "$(prefix_server_pid "$fresh")" ] && break
    sleep 0.2
done
left=$(prefix_server_pid "$fresh")
if [ -n "$left" ]; then
    check "the server of the prefix made for the run still runs 20 s after it: $(tr '\0' ' ' <"/proc/$left/cmdline")"
    WINEPREFIX=$fresh wineserver -k 2>/dev/null
    WINEPREFIX=$fresh wineserver -w 2>/dev/null
fi
rm -rf "$fresh"

[ "$failed" = 0 ] && echo "wine-run.sh: silent, plain and failing runs judged and described; failed Wine starts" \
    "and passed programs that failed ld.so's check made again; a made prefix left no server"
exit "$failed"
