#!/bin/bash
# How a busy socket shares its thread with the owner's messages: a UDPPort
# under a plain message loop taking a steady stream with and without an
# owner's timer, an IPPort receiving 50 MB with and without a timer of 10 ms,
# an IPPort and an IPDaemon reading peers that never stop under that timer,
# a flood of datagrams longer than the component takes, and calls (DNS,
# HTTP) that an owner's timer interrupts under a flood that never ends, all
# against the flood peer (netcomp/net/tests/flood_peer.c).
#   tools/in-netns.sh tools/socket-turns-bench.sh [other netcomp.dll [runs]]   (after tools/build.sh)
# With another build's netcomp.dll (the library before a change, say), the
# same program runs on both libraries by turns, `runs` times (8) each, each
# library first in every other round (the order is printed), and a table
# gives for each stream and library the median share delivered, the owner's
# ticks and its longest gap between two, and for the TCP cases the times,
# the ticks and the gaps; otherwise each case runs once on this build. Each
# round also runs the owner's timer alone, with no socket: a machine that
# stalls its threads now and then (a shared one does) stalls them whatever
# library runs, and the table says how often it did.
# BUSY=<n> keeps n busy loops running meanwhile.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/windows
state=$build/bench-socket-turns
prefix=$build/wineprefix
other=${1:-}
runs=${2:-8}
# shellcheck source=tools/bench-libraries.sh
. "$root/tools/bench-libraries.sh"
bench_libraries "$state" "$build/bin/socket_turns_bench.exe" "$other"

stop() {
    bench_idle
    "$root/tools/peer.sh" down "$state/peer"
}
"$root/tools/peer.sh" up "$state/peer" 0 "$build/netcomp/net/flood_peer" 20921 >/dev/null
trap stop EXIT
bench_busy "${BUSY:-0}"

# run <library> <case...>: one run, its line of figures after the library's name.
run() {
    local lib=$1
    shift
    echo "$lib $("$root/tools/wine-run.sh" "$prefix" "$state/work" "$state/$lib/socket_turns_bench.exe" "$@")"
}

streams=("5000 10000 16 0" "5000 10000 0 0" "10000 20000 16 1048576" "10000 20000 0 1048576")
bench_whole_rotations "$runs" ${#libs[@]}
for round in $(seq 1 "$runs"); do
    bench_order "$round" "${libs[@]}"
    echo "round $round order: ${order[*]}"
    for stream in "${streams[@]}"; do
        for lib in "${order[@]}"; do
            # shellcheck disable=SC2086
            run "$lib" stream $stream | tee -a "$state/streams"
        done
    done
    for tcp in "ipport-bytes 50 10" "ipport-bytes 50 0" "ipport-endless 10" "ipdaemon-endless 10 4"; do
        for lib in "${order[@]}"; do
            # shellcheck disable=SC2086
            run "$lib" $tcp | tee -a "$state/streams"
        done
    done
    echo "machine $("$root/tools/wine-run.sh" "$prefix" "$state/work" "$state/this/socket_turns_bench.exe" timer 16 3000)" |
        tee -a "$state/streams"
done
for lib in "${libs[@]}"; do
    run "$lib" oversized 8300 50
    run "$lib" dns-oversized
    run "$lib" http-endless
done
[ -z "$other" ] || /usr/bin/python3 "$root/tools/socket_turns_table.py" "$state/streams"
