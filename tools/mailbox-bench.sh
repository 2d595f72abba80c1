#!/bin/bash
# The mail fetch benchmark: the POP and IMAP components (under Wine) and
# Python's poplib and imaplib fetch the same messages from one private
# dovecot in the same run: a message of <big MB> into a file (with the growth
# of peak memory), then <messages> messages of <KB> each.
#   tools/mailbox-bench.sh [messages] [KB] [big MB]     (after tools/build.sh)
# Prints each side's times and the ratio component / Python per fetch.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/windows
state=$build/bench-mailbox
prefix=$build/wineprefix
messages=${1:-1000}
kb=${2:-20}
mb=${3:-50}
imap_port=21243
pop_port=21210
mkdir -p "$state"
"$root/tools/peer.sh" up "$state/dovecot" $imap_port "$root/tools/peers/dovecot.sh" $imap_port $pop_port \
    "$messages" "$kb" "$mb" >/dev/null
trap '"$root/tools/peer.sh" down "$state/dovecot"' EXIT
mkdir -p "$state/python"
python=$(cd "$state/python" && /usr/bin/python3 "$root/tools/peers/mail_client_bench.py" $imap_port $pop_port "$messages")
ours=$("$root/tools/wine-run.sh" "$prefix" "$state/work" "$build/bin/mail_fetch_bench.exe" $imap_port $pop_port \
    "$messages")
echo "components:"; echo "$ours"
echo "python:"; echo "$python"
field() { echo "$1" | awk -v k="$2" '$1 == k {print $2}'; }
for fetch in imap-big-file pop-big-file imap-messages pop-messages; do
    awk -v f="$fetch" -v a="$(field "$ours" $fetch)" -v b="$(field "$python" $fetch)" \
        'BEGIN {printf "%-15s component %.3f s, Python %.3f s, ratio %.2f\n", f, a, b, a / b}'
done
