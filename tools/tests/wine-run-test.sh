#!/bin/bash
# tools/wine-run.sh on programs that end in ways a test program must not
# pass with: a GoogleTest program that ends with 0 before its summary (as
# when its wineserver goes away under it) fails, and a failed run says how
# the program ended. A start that Wine's loader gave up is made again, and
# only such a start. A run that has to make its prefix first leaves no
# wineserver behind it.
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
    "made again; a made prefix left no server"
exit "$failed"
