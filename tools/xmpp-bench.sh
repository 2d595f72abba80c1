#!/bin/bash
# The XMPP benchmark: 1,000 chat messages from one logged-in party to another
# through ejabberd, sent by the XMPP component (two objects on one thread,
# under Wine) and by two slixmpp clients (Debian's python3-slixmpp) against
# the same server in the same run, each three times; the best time counts.
# Runs in a network namespace of its own (ejabberd's epmd takes a fixed port).
#   tools/xmpp-bench.sh            (after tools/build.sh)
# Prints both sides' times and peak memory, and the ratio XMPP / slixmpp.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ "${KES_IN_NETNS:-}" != 1 ]; then
    exec "$root/tools/in-netns.sh" "$0" "$@"
fi
build=$root/build/windows
state=$build/bench-xmpp
prefix=$build/wineprefix
port=21323
count=1000
mkdir -p "$state"
"$root/tools/peer.sh" up "$state/ejabberd" 0 --stop "$root/tools/peers/ejabberd.sh" --stop -- \
    "$root/tools/peers/ejabberd.sh" $port >/dev/null
trap '"$root/tools/peer.sh" down "$state/ejabberd"' EXIT
peer=$(for _ in 1 2 3; do
    /usr/bin/python3 "$root/tools/peers/xmpp_bench.py" $port localhost alice bob wonder $count 2>/dev/null
done)
ours=$(for _ in 1 2 3; do
    "$root/tools/wine-run.sh" "$prefix" "$state/work" "$build/bin/xmpp_message_bench.exe" $port localhost dave bob wonder $count
done)
echo "$peer"
echo "$ours"
best() { echo "$1" | awk -v k="$2" '$1 == k {print $2}' | sort -n | head -1; }
a=$(best "$ours" xmpp-messages)
b=$(best "$peer" slixmpp-messages)
kb=$(echo "$ours" | awk -F= '/peak-working-set-kb/ {print $2}' | sort -n | tail -1)
pkb=$(echo "$peer" | sed -n 's/.*peak-kb=//p' | sort -n | tail -1)
awk -v a="$a" -v b="$b" -v n=$count -v kb="$kb" -v pkb="$pkb" 'BEGIN {
    printf "%d messages through ejabberd: XMPP %.4f s (peak %d kB), slixmpp %.4f s (peak %d kB), ratio %.2f\n",
        n, a, kb, b, pkb, a / b }'
