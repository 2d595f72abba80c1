#!/bin/bash
# The main job's result folder in a clone of its own: whatever a run names
# inside the clone, new, empty or nested, `git status` stays clean once the
# results are saved, also on a second run; a folder outside the clone gets
# no mark, and a folder that held the user's own files goes on showing them.
#   result-folder-test.sh <work folder>
set -uo pipefail
if [ $# -ne 1 ]; then
    echo "usage: result-folder-test.sh <work folder>" >&2
    exit 2
fi
tools=$(cd "$(dirname "$0")/.." && pwd)
work=$1
rm -rf "$work"
mkdir -p "$work/clone" "$work/outside"
# Git as a fresh clone sees it, whatever the user's own settings.
export GIT_CONFIG_NOSYSTEM=1 GIT_CONFIG_GLOBAL=/dev/null
git() { command git -C "$work/clone" -c user.name=test -c user.email=test@kes.test "$@"; }
failed=0
check() {
    echo "FAILED: $*"
    failed=1
}
# save <folder> [<clone>]: what a run does with a folder: the path printed,
# then a result file written there.
save() {
    local printed
    printed=$("$tools/result-folder.sh" "$1" "${2:-$work/clone}") || {
        check "no folder made for $1"
        return
    }
    [ "$printed" = "$(cd "$1" && pwd)" ] || check "$1: printed \"$printed\""
    echo "<audit/>" >"$printed/COMPUTER$RANDOM.kes"
}

git init -q -b main
echo "tracked" >"$work/clone/README"
mkdir -p "$work/clone/notes" "$work/clone/empty"
git add README && git commit -q -m "first"
echo "the user's own" >"$work/clone/notes/todo.txt"

cd "$work/clone"
for run in 1 2; do
    save my-results
    save "Ergebnisse Zürich/2026 Q1/run $run"
    save empty
    save "$work/clone/absolute"
    # The folder, or the clone itself, named through a link from outside.
    ln -sfn "$work/clone" "$work/link"
    save "$work/link/linked"
    save "$work/clone/in-linked-clone" "$work/link"
done
status=$(git status --porcelain --untracked-files=all)
[ "$status" = "?? notes/todo.txt" ] || check "git status after the runs:"$'\n'"$status"

save notes
[ ! -e notes/.gitignore ] || check "the user's own folder was marked"
git status --porcelain --untracked-files=all | grep -q '^?? notes/COMPUTER' ||
    check "a result in the user's own folder is hidden from git"

cd "$work/outside"
save results
save "$work/outside/absolute"
for folder in results absolute; do
    [ ! -e "$work/outside/$folder/.gitignore" ] || check "$folder outside the clone was marked"
done

[ "$failed" = 0 ] && echo "ok"
exit "$failed"
