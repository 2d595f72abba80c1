#!/bin/bash
# Many sockets on one thread and owner loops of every kind, by the program
# bench/SocketCrowdsBench.cpp against the flood peer
# (netcomp/net/tests/flood_peer.c): IPDaemon taking crowds of 1,000 and 2,000
# clients that send and close (under owner's timers of 1, 10 and 16 ms), 50
# IPPorts receiving 2 MB each (and 40 of which half are replaced half way),
# one IPPort receiving 50 MB, a crowd and 20 IPPorts at once, each with and
# without the owner's timer of 10 ms; the same crowd and 20 IPPorts under an
# owner loop that takes only WM_USER to 0x7FFF and never its timer, under
# one that takes posted messages and timers alone (a worker thread's), and
# under one that takes only WM_USER to 0x7FFF for 200 ms and then every
# message for 200 ms, and so on; a crowd of 1,000 and of 2,000 clients and
# 20 IPPorts under a busy owner, whose timer of 10 ms works 15 ms (or 8 to
# 15 ms) at each tick; a crowd of 1,000 that waits in the backlog before the
# owner's loop starts (its clients closed, or still connected), under that
# timer doing nothing and working 15 ms a tick, in pairs whose busy half
# runs first in every other pair (busy ÷ idle with its spread, every pair's
# times); 3,000 idle connections and 20 one-line round trips beside them
# (the first, the median and the slowest);
# 20 IPPorts whose owner pumps its messages in their DataIn events; and, one
# after the other, 5,000 DNS look-ups and 1,000 small HTTP gets (each on a
# connection of its own). The IPPort cases without a loop of their own also
# run on a plain WSAAsyncSelect reader (bench/PlainReaderBench.cpp: one recv
# of up to 64 KB per read notification), the floor under Wine.
#   tools/in-netns.sh tools/socket-crowds-bench.sh [other netcomp.dll [runs]]   (after tools/build.sh)
# With another build's netcomp.dll (the library before a change, say), the
# same program runs on both libraries by turns, `runs` times (6) each, the
# order rotated from round to round (and printed) with the plain reader in
# it for the IPPort cases, so that over 6 rounds each runs first and last
# equally often, and a table gives for each case and library the median
# time, the median ratio of the rounds' times (this ÷ other), the cases
# whole, the median share of the timer's ticks and its median longest gap,
# and for the IPPort cases the plain reader's median and the median ratio
# this ÷ plain. Otherwise each
# case runs once on this build (and the plain reader beside it), with the
# same table. BUSY=<n> keeps n busy loops running meanwhile; CASES="<case>;
# <case>..." runs those cases instead (arguments of socket_crowds_bench).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/windows
state=$build/bench-socket-crowds
prefix=$build/wineprefix
other=${1:-}
runs=${2:-6}
# shellcheck source=tools/bench-libraries.sh
. "$root/tools/bench-libraries.sh"
bench_libraries "$state" "$build/bin/socket_crowds_bench.exe" "$other"
cp "$build/bin/plain_reader_bench.exe" "$state/this/"
IFS=';' read -r -a cases <<<"${CASES:-crowd 1000 3000 1;crowd 1000 3000 10;crowd 1000 3000 16;crowd 2000 3000 10;crowd 2000 3000 0;ports 50 2048 10;ports 50 2048 0;ports 40 2048 10 replace;ports 1 51200 10;ports 1 51200 0;crowd-and-ports 1000 3000 20 2048 10;crowd 1000 3000 50 partial;ports 20 2048 500 partial;crowd 1000 3000 10 posted;ports 20 2048 10 posted;crowd 1000 30000 10 alternate;ports 20 2048 10 alternate;crowd 1000 100 10 busy 15-15;crowd 2000 2000 10 busy 8-15;ports 20 2048 10 busy 8-15;waiting 1000 100 10 15-15;waiting 1000 100 10 15-15 hold;idle 3000 20;ports 20 2048 10 pump;dns 5000;http 1000}"

ulimit -n 8192
stop() {
    bench_idle
    "$root/tools/peer.sh" down "$state/peer"
    "$root/tools/wine-prefix.sh" down "$prefix" >/dev/null
}
"$root/tools/wine-prefix.sh" up "$prefix" >/dev/null
"$root/tools/peer.sh" up "$state/peer" 0 "$build/netcomp/net/flood_peer" 20921 >/dev/null
trap stop EXIT
bench_busy "${BUSY:-0}"

# The plain reader takes the IPPort cases with the owner's plain loop, in
# the rotation with the libraries.
plain_case() { [[ "$1" =~ ^ports\ [0-9]+\ [0-9]+\ [0-9]+$ ]]; }
if [ ${#libs[@]} = 2 ]; then
    bench_whole_rotations "$runs" 2
    for c in "${cases[@]}"; do
        ! plain_case "$c" || { bench_whole_rotations "$runs" 3 && break; }
    done
fi
for round in $(seq 1 "$runs"); do
    bench_order "$round" "${libs[@]}"
    libs_order=("${order[@]}")
    bench_order "$round" "${libs[@]}" plain
    plain_order=("${order[@]}")
    echo "round $round order: ${libs_order[*]}; IPPort cases with the plain reader: ${plain_order[*]}"
    for c in "${cases[@]}"; do
        runners=("${libs_order[@]}")
        ! plain_case "$c" || runners=("${plain_order[@]}")
        for lib in "${runners[@]}"; do
            program=$state/$lib/socket_crowds_bench.exe
            [ "$lib" != plain ] || program=$state/this/plain_reader_bench.exe
            # shellcheck disable=SC2086
            echo "$round $lib $("$root/tools/wine-run.sh" "$prefix" "$state/work" "$program" $c)" |
                tee -a "$state/results"
        done
    done
done
/usr/bin/python3 "$root/tools/socket_crowds_table.py" "$state/results"
