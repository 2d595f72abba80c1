#!/bin/bash
# The TCP server benchmark: 1,000 concurrent loopback connections from a
# Python client, each echoing 100 lines in lockstep, served first by IPDaemon
# (under Wine) and then by a Python asyncio echo server doing the same work.
#   tools/ipdaemon-bench.sh [connections] [lines]   (after tools/build.sh)
# Prints both servers' times and peak memory, the client's counts (every
# connection must be done, none mixed or lost) and the time ratio.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/windows
state=$build/bench-ipdaemon
prefix=$build/wineprefix
connections=${1:-1000}
lines=${2:-100}
port=20950
load=$root/tools/peers/echo_load.py
mkdir -p "$state"
ulimit -n 8192

wait_for_port() {
    for _ in $(seq 1 300); do
        (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null && return 0
        sleep 0.1
    done
    echo "server on port $1 did not come up" >&2
    return 1
}

# Each connection the wait above opened is one the server counts.
"$root/tools/wine-run.sh" "$prefix" "$state/work" "$build/bin/ipdaemon_bench.exe" $port $((connections + 1)) \
    >"$state/ours.txt" 2>"$state/ours.err" &
ours_pid=$!
wait_for_port $port
client_ours=$(/usr/bin/python3 "$load" client $port "$connections" "$lines") || true
wait $ours_pid || true
server_ours=$(grep '^server' "$state/ours.txt" || cat "$state/ours.err")

/usr/bin/python3 "$load" server $((port + 1)) $((connections + 1)) >"$state/python.txt" &
python_pid=$!
wait_for_port $((port + 1))
client_python=$(/usr/bin/python3 "$load" client $((port + 1)) "$connections" "$lines") || true
wait $python_pid || true
server_python=$(grep '^server' "$state/python.txt")

echo "IPDaemon:      $server_ours"
echo "  its client:  $client_ours"
echo "Python server: $server_python"
echo "  its client:  $client_python"
awk -v a="$(echo "$client_ours" | awk '{print $2}')" -v b="$(echo "$client_python" | awk '{print $2}')" \
    'BEGIN {printf "client time ratio IPDaemon / Python asyncio: %.2f\n", a / b}'
