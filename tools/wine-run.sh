#!/bin/bash
# Runs one Windows program under Wine in the build tree's private prefix.
#   wine-run.sh [--gtest] <prefix> <work folder> <program.exe> [args...]
# The work folder is emptied first and becomes the current directory, so every
# file a test writes stays there. The program's exit code is the result.
# --gtest: a GoogleTest program. It passed only when it also printed its
# closing summary, and Wine's own error messages stay in its output (a Wine
# start that fails says why only there).
# A run that fails ends with lines that say how the program ended: its exit
# status, how long it ran, whether it wrote anything, and what became of the
# prefix's wineserver meanwhile.
# When Wine's loader cannot start the program at all (it finds the address of
# the shared user data taken, before any code of the program runs), or when a
# GoogleTest program whose tests all passed fails the C library's check of its
# loaded libraries on the way out, the program is started again, at most twice
# in all, and the run says so; a program that ran and failed is never started
# again.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/process-start.sh"
gtest=0
if [ "${1:-}" = --gtest ]; then
    gtest=1
    shift
fi
prefix=$1 work=$2
shift 2
# Wine's errors of its address space stay on: they tell a start that failed.
quiet=-all,err+virtual
[ "$gtest" = 1 ] && quiet=-all,err+all
export WINEPREFIX="$prefix" WINEDEBUG="${WINEDEBUG:-$quiet}" WINEDLLOVERRIDES="mscoree,mshtml="
if [ -f "$prefix/.kes-display" ]; then
    export DISPLAY
    DISPLAY=$(cat "$prefix/.kes-display")
else
    unset DISPLAY
    [ -f "$prefix/.kes-ready" ] || "$(dirname "$0")/wine-prefix.sh" ready "$prefix"
fi
rm -rf "$work"
mkdir -p "$work"
cd "$work"

# What a failed run tells beside the program's own output.
describe_end() {
    local ms=$1 program=$2 what server ticks
    what="exit status $status"
    if [ "$status" -gt 128 ] && [ "$status" -lt 160 ]; then
        what="$what (signal $((status - 128)), SIG$(kill -l $((status - 128)) 2>/dev/null || echo '?'))"
    fi
    [ -s "$work/.output" ] || what="$what, having written nothing"
    echo "wine-run.sh: $program ended with $what after $((ms / 1000)).$(printf '%03d' $((ms % 1000))) s" >&2
    if [ "$status" = 131 ]; then
        echo "wine-run.sh: (the wineserver ends the threads of its programs with SIGQUIT when it stops)" >&2
    fi
    server=$(prefix_server_pid "$prefix")
    if [ -z "$server" ]; then
        echo "wine-run.sh: no wineserver runs for $prefix now" >&2
        return 0
    fi
    ticks=$(($(started "$server") - $(started $$)))
    echo "wine-run.sh: the wineserver of $prefix now is process $server," \
        "$(grep '^State:' "/proc/$server/status" 2>/dev/null | cut -f2)," \
        "started $((ticks < 0 ? -ticks : ticks)) ticks of $(getconf CLK_TCK) a second" \
        "$([ "$ticks" -le 0 ] && echo before || echo after) this run" >&2
}

# Wine gave up before the program ran: its loader found the address of the
# shared user data taken (rare, more so with many prefixes busy side by side).
# The same line with a status of 0 is a start that went on.
start_failed() {
    [ "$status" -ne 0 ] &&
        grep -qE '^([0-9a-f]+:)?err:virtual:virtual_alloc_first_teb wine: failed to map the shared user data' \
            "$work/.output"
}

# The program's Unix process failed ld.so's check of its list of loaded
# libraries in exit(), which ends it with 127: the list changed while exit()
# read it. The audit test programs that met this leave no thread of their own
# running at their end, let alone one that loads a library: it is Wine's
# doing, after the program's work. Only a GoogleTest program shows that this
# work was done and good: its closing summary, every test that ran passed and
# none failed, comes before the check's line. A plain program's own status is
# lost with it, so such a program is not started again.
passed_then_library_check_failed() {
    [ "$status" -ne 0 ] &&
        awk '
            { sub(/\r$/, "") }
            /^\[==========\] [0-9]+ tests? from [0-9]+ test suites? ran\./ { ran = $2; passed = -1; next }
            /^\[  PASSED  \] [0-9]+ tests?\.$/ { passed = $4; next }
            /^\[  FAILED  \] / { failed = 1 }
            /^Inconsistency detected by ld\.so: dl-fini\.c: [0-9]+: _dl_fini: Assertion `ns != LM_ID_BASE / &&
                /\|\| i == nloaded'"'"' failed!$/ {
                if (ran != "" && passed == ran) checked = 1
            }
            END { exit !(checked && !failed) }
        ' "$work/.output"
}

# Wine's own service processes (started on demand, outliving the program)
# would inherit a pipe on standard output and keep CTest waiting for its end:
# the program writes to a file, which is shown when it ends.
for start in 1 2 3; do
    status=0
    begin=$(date +%s%N)
    wine "$@" >"$work/.output" 2>&1 </dev/null || status=$?
    end=$(date +%s%N)
    [ "$start" -lt 3 ] || break
    if start_failed; then
        why="Wine could not start $(basename "$1") (exit status $status)"
    elif passed_then_library_check_failed; then
        why="$(basename "$1") passed its tests, then Wine failed ld.so's check as it ended (exit status $status)"
    else
        break
    fi
    # What it said goes to standard error: a caller may read the program's
    # output from standard output.
    cat "$work/.output" >&2
    echo "wine-run.sh: $why; starting it again ($start of 2)" >&2
done
cat "$work/.output"
# A crash can end with exit code 0 when other threads of the program are still
# alive; Wine's crash report in the output is the sure sign.
if [ "$status" -eq 0 ] && grep -q '^wine: Unhandled ' "$work/.output"; then
    status=1
fi
# A GoogleTest program that dies on the way (a stack overflow, for one, or a
# wineserver that goes away under it) may also end with 0 and no word of it:
# a run that never printed its closing summary did not pass.
if [ "$status" -eq 0 ] && { [ "$gtest" = 1 ] || grep -q '^\[==========\] Running ' "$work/.output"; } &&
    ! grep -q '^\[==========\] .* ran\.' "$work/.output"; then
    echo "wine-run.sh: the program ended before its tests did" >&2
    status=1
fi
if [ "$status" -ne 0 ]; then
    describe_end $(((end - begin) / 1000000)) "$(basename "$1")"
fi
exit "$status"
