#!/bin/bash
# The README's main job as a new user runs it, with result folders whose
# names hold blanks and letters outside ASCII (one the program's code page
# can spell, one it cannot): each run saves a result there, parses as XML,
# names the engine that ran and ends with exit code 0. The folders, made by
# the runs inside the clone (testwork lies in its build folder), are marked
# to stay out of git.
#   audit-this-computer-test.sh <work folder>
set -euo pipefail
tools=$(cd "$(dirname "$0")/.." && pwd)
work=$1
rm -rf "$work"
mkdir -p "$work"
cd "$work"
export KES_PREFIX_UP=1
failed=0
for name in "my results" "Ergebnisse Zürich Büro" "結果 results"; do
    status=0
    output=$(bash "$tools/audit-this-computer.sh" "$name" 2>&1) || status=$?
    # No result file is a failure to describe, not an end of this script.
    files=$(find "$name" -maxdepth 1 -name '*.kes' 2>/dev/null | wc -l)
    git=$([ -f "$name/.gitignore" ] && echo "kept out of git" || echo "seen by git")
    if [ "$status" -ne 0 ] || [ "$files" -ne 1 ] || ! grep -q "^Result file: $work/$name/" <<<"$output" ||
        ! grep -q "^Engine:      WMI$" <<<"$output" || [ "$git" != "kept out of git" ]; then
        echo "FAILED for \"$name\" (exit code $status, $files result files, folder $git):"
        echo "$output"
        failed=1
        # Once more with the error log on, in a run folder of its own, so
        # that the failure is told in the program's words.
        mkdir -p "$work/logged-run"
        rm -f "$work/logged-run/kestrova.log"
        printf '%s\n' '<?xml version="1.0" encoding="UTF-8"?>' \
            '<Kestrova><Ondelmark user="" pwd="" server="" port="80" db=""/><Logging logerrors="1" lognameoption="1" logpath=""/></Kestrova>' \
            >"$work/logged-run/kestrova.cfg"
        status=0
        KES_RUN_FOLDER="$work/logged-run" bash "$tools/audit-this-computer.sh" "$name" >/dev/null 2>&1 || status=$?
        echo "Run again with the error log on: exit code $status; the log:"
        cat "$work/logged-run/kestrova.log" 2>/dev/null || echo "(none)"
    else
        echo "ok: \"$name\""
    fi
done
exit "$failed"
