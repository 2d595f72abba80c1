#!/bin/bash
# Runs one native test program in a fresh work folder.
#   native-run.sh <work folder> <program> [args...]
set -euo pipefail
work=$1
shift
rm -rf "$work"
mkdir -p "$work" "$work/corpus"
cd "$work"
exec "$@"
