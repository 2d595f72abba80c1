#!/bin/bash
# The TCP server benchmark: 1,000 concurrent loopback connections from a
# Python client, each echoing 100 lines, in lockstep (one line, its echo, the
# next), pipelined (all 100 lines at once, then their echoes) or as a crowd
# (all lines at once and the sending side closed, as clients that send and
# close), served by IPDaemon (under Wine), by a plain WSAAsyncSelect echo
# server written by hand (under the same Wine, bench/PlainEchoBench.cpp) and
# by a Python asyncio echo server doing the same work. After a warm-up round
# the servers take turns, <rounds> times, in one wineserver session, the
# order rotated from round to round (and printed), so that over as many
# rounds as there are servers each runs first, in each place between and
# last once (6 rounds by default, 8 with OTHER_NETCOMP).
#   tools/in-netns.sh tools/ipdaemon-bench.sh [connections] [lines] [rounds] [kinds]   (after tools/build.sh)
# kinds: "pipelined" (the default), "lockstep", "crowd" or several; under
# Wine the lockstep run takes tens of seconds a server.
# OWNER_TIMER=<ms> runs a timer of the thread of that period beside the
# Windows servers, as a program with a window would (the tick counts and
# longest gaps are printed); CLIENT_DEADLINE=<s> ends a client's run after
# that long (300), counting the connections not done as lost; a Windows
# server that has heard nothing of its connections for 10 s ends, with the
# number still open in its line ("open=<n>").
# OTHER_NETCOMP=<netcomp.dll of another build> (the library before a change,
# say) runs the same IPDaemon program on that library too, by turns with
# this one in the rotation, and adds the ratios this IPDaemon / that one and
# that one / plain server.
# Prints each run's server and client lines, then per server and kind of
# client how many runs were whole (every connection got all its lines back)
# with their median time, and per kind of client the ratios IPDaemon / plain
# server and IPDaemon / Python as min / median / max.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=tools/bench-libraries.sh
. "$root/tools/bench-libraries.sh"
build=$root/build/windows
state=$build/bench-ipdaemon
prefix=$build/wineprefix
connections=${1:-1000}
lines=${2:-100}
kinds=${4:-pipelined}
timer=${OWNER_TIMER:-0}
deadline=${CLIENT_DEADLINE:-300}
other=${OTHER_NETCOMP:-}
# Twice as many rounds as there are servers: each takes every place twice.
rounds=${3:-$([ -z "$other" ] && echo 6 || echo 8)}
port=20950
load=$root/tools/peers/echo_load.py
[ -z "$other" ] || [ -f "$other" ] || { echo "no such file: $other" >&2; exit 2; }
rm -rf "$state"
mkdir -p "$state/other"
if [ -n "$other" ]; then
    cp "$build/bin/ipdaemon_bench.exe" "$state/other/"
    cp "$other" "$state/other/netcomp.dll"
fi
ulimit -n 8192
"$root/tools/wine-prefix.sh" up "$prefix"
trap '"$root/tools/wine-prefix.sh" down "$prefix"' EXIT

wait_for_port() {
    for _ in $(seq 1 300); do
        (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null && return 0
        sleep 0.1
    done
    echo "server on port $1 did not come up" >&2
    return 1
}

# One server's run: the server in the background, the client against it.
# Each connection the port wait opened is one the server counts.
#   run <round> <name> <client kind> <port> <server command...>
run() {
    local round=$1 name=$2 kind=$3 port=$4
    shift 4
    "$@" >"$state/$name.txt" 2>"$state/$name.err" &
    local pid=$!
    wait_for_port "$port"
    /usr/bin/python3 "$load" client "$port" "$connections" "$lines" "$kind" "$deadline" >"$state/$name.client" || true
    wait $pid || true
    echo "  $name $kind: $(grep '^server' "$state/$name.txt" || cat "$state/$name.err"); $(cat "$state/$name.client")"
    awk -v r="$round" -v s="$name" -v k="$kind" '/^client/ {
        split($3, done, "="); bad = ($4 != "mixed=0" || $5 != "lost=0" || done[2] == 0)
        print r, s, k, $2, (bad ? "bad" : "ok") }' "$state/$name.client" >>"$state/times"
}
wine_run() { "$root/tools/wine-run.sh" "$prefix" "$state/work" "$@"; }
ours() { run "$1" ours "$2" $port wine_run "$build/bin/ipdaemon_bench.exe" $port $((connections + 1)) "$timer"; }
plain() {
    run "$1" plain "$2" $((port + 2)) wine_run "$build/bin/plain_echo_bench.exe" $((port + 2)) $((connections + 1)) "$timer"
}
python() { run "$1" python "$2" $((port + 1)) /usr/bin/python3 "$load" server $((port + 1)) $((connections + 1)); }
other() {
    run "$1" other "$2" $((port + 3)) wine_run "$state/other/ipdaemon_bench.exe" $((port + 3)) $((connections + 1)) "$timer"
}

: >"$state/times"
servers=(ours plain python)
[ -z "$other" ] || servers=(ours other plain python)
bench_whole_rotations "$rounds" ${#servers[@]}
for round in $(seq 0 "$rounds"); do
    bench_order "$round" "${servers[@]}"
    echo "round $round order: ${order[*]}"
    for kind in $kinds; do
        for server in "${order[@]}"; do
            "$server" "$round" "$kind"
        done
    done
done
echo "runs whole (every connection got all its lines back), after the warm-up round:"
awk '$1 != 0 { key = $2 " " $3; runs[key]++; if ($5 == "ok") whole[key]++; times[key] = times[key] " " $4 }
    END { for (key in runs) print key, whole[key] + 0, runs[key], times[key] }' "$state/times" | sort |
    while read -r server kind whole runs times; do
        median=$(printf '%s\n' $times | sort -g | awk '{ t[NR] = $1 } END { print (NR % 2) ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2 }')
        echo "  $server, $kind clients: $whole of $runs, median time $median s"
    done
specs=()
for kind in $kinds; do
    specs+=("$kind:plain=IPDaemon / plain server, $kind clients:" "$kind:python=IPDaemon / Python asyncio, $kind clients:")
    [ -z "$other" ] || specs+=("$kind:other=IPDaemon / the other build's, $kind clients:")
done
/usr/bin/python3 "$root/tools/bench_ratios.py" "$state/times" "${specs[@]}"
if [ -n "$other" ]; then
    # The other build's IPDaemon beside the plain server, in the same rounds.
    awk '$2 == "ours" { next } $2 == "other" { $2 = "ours" } { print }' "$state/times" >"$state/times.other"
    for kind in $kinds; do
        /usr/bin/python3 "$root/tools/bench_ratios.py" "$state/times.other" \
            "$kind:plain=the other build's IPDaemon / plain server, $kind clients:"
    done
fi
