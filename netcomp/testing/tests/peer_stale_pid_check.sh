#!/bin/bash
# A run that was interrupted leaves its peers' pid files behind, and the
# numbers in them may belong to other programs by the time the next run
# starts (another tree's peer or wineserver). Stopping such a peer must
# leave that program alone.
#   peer_stale_pid_check.sh <work folder>
set -euo pipefail
work=$1
peer=$(cd "$(dirname "$0")/../../../tools" && pwd)/peer.sh
rm -rf "$work"
mkdir -p "$work/peers/stale"
# The other program: a process group of its own, as a peer or a wineserver has.
setsid sleep 300 </dev/null >/dev/null 2>&1 &
other=$!
trap 'kill -- -"$other" 2>/dev/null || true' EXIT
for _ in $(seq 1 100); do
    [ "$(ps -o pgid= -p "$other" | tr -d ' ')" = "$other" ] && break
    sleep 0.01
done
# The pid file of a peer that started long before the sleeping program.
echo "$other" >"$work/peers/stale/pid"
echo 1 >"$work/peers/stale/started"
"$peer" down "$work/peers/stale"
if ! kill -0 "$other" 2>/dev/null; then
    echo "peer.sh down ended process group $other, which the stale pid file named but which is not the peer"
    exit 1
fi
[ ! -f "$work/peers/stale/pid" ] || { echo "the stale pid file is still there"; exit 1; }
echo "process group $other, named by a stale pid file, was left alone"
