#!/bin/bash
# Runs one Windows test program under Wine in the build tree's private prefix.
#   wine-run.sh <prefix> <work folder> <program.exe> [args...]
# The work folder is emptied first and becomes the current directory, so every
# file a test writes stays there. The program's exit code is the result.
set -euo pipefail
prefix=$1 work=$2
shift 2
export WINEPREFIX="$prefix" WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="mscoree,mshtml="
if [ -f "$prefix/.kes-display" ]; then
    export DISPLAY
    DISPLAY=$(cat "$prefix/.kes-display")
else
    unset DISPLAY
    [ -f "$prefix/.kes-ready" ] || "$(dirname "$0")/wine-prefix.sh" up "$prefix"
fi
rm -rf "$work"
mkdir -p "$work"
cd "$work"
# Wine's own service processes (started on demand, outliving the program)
# would inherit a pipe on standard output and keep CTest waiting for its end:
# the program writes to a file, which is shown when it ends.
status=0
wine "$@" >"$work/.output" 2>&1 </dev/null || status=$?
cat "$work/.output"
# A crash can end with exit code 0 when other threads of the program are still
# alive; Wine's crash report in the output is the sure sign.
if [ "$status" -eq 0 ] && grep -q '^wine: Unhandled ' "$work/.output"; then
    status=1
fi
# A test program that dies on the way (a stack overflow, for one) may also
# end with 0 and no word of it: a GoogleTest run that began and never printed
# its closing summary did not pass.
if [ "$status" -eq 0 ] && grep -q '^\[==========\] Running ' "$work/.output" &&
    ! grep -q '^\[==========\] .* ran\.' "$work/.output"; then
    echo "wine-run.sh: the program ended before its tests did" >&2
    status=1
fi
exit "$status"
