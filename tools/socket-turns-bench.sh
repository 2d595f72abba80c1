#!/bin/bash
# How a busy socket shares its thread with the owner's messages: a UDPPort
# under a plain message loop taking a steady stream with and without an
# owner's timer, a flood of datagrams longer than the component takes, and
# calls (DNS, HTTP) that an owner's timer interrupts under a flood that never
# ends, all against the flood peer (netcomp/net/tests/flood_peer.c).
#   tools/in-netns.sh tools/socket-turns-bench.sh    (after tools/build.sh)
# Prints one line of figures per case.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/windows
state=$build/bench-socket-turns
prefix=$build/wineprefix
mkdir -p "$state"
"$root/tools/peer.sh" up "$state/peer" 0 "$build/netcomp/net/flood_peer" 20921 >/dev/null
trap '"$root/tools/peer.sh" down "$state/peer"' EXIT
run() { "$root/tools/wine-run.sh" "$prefix" "$state/work" "$build/bin/socket_turns_bench.exe" "$@"; }
for buffer in 0 1048576; do
    for timer in 0 16; do
        for rate in 5000 10000; do
            run stream $rate $((rate * 2)) $timer $buffer
        done
    done
done
run oversized 8300 50
run dns-oversized
run http-endless
