#!/bin/bash
# Makes the folder a run writes its results into and prints its absolute
# path. A folder inside the clone that the run makes itself, or finds empty,
# gets a .gitignore of "*", so that results saved there never show in
# `git status`, whatever the folder is called. A folder outside the clone,
# and one that already holds files (the user's own, which git must go on
# seeing), are left as they are.
#   tools/result-folder.sh <folder> <clone>
set -euo pipefail
if [ $# -ne 2 ]; then
    echo "usage: result-folder.sh <folder> <clone>" >&2
    exit 2
fi
folder=$1
clone=$(cd "$2" && pwd -P)
mark=0
if [ ! -e "$folder" ] || { [ -d "$folder" ] && [ -z "$(ls -A "$folder")" ]; }; then
    mark=1
fi
mkdir -p "$folder"
physical=$(cd "$folder" && pwd -P)
case "$physical/" in
"$clone"/*)
    if [ "$mark" = 1 ]; then
        # A folder the run cannot write to fails the run itself, in the program's words.
        printf '# Results of a run (tools/result-folder.sh): kept out of git.\n*\n' >"$folder/.gitignore" 2>/dev/null ||
            true
    fi
    ;;
esac
cd "$folder" && pwd
