#!/bin/bash
# The TCP server benchmark: 1,000 concurrent loopback connections from a
# Python client, each echoing 100 lines in lockstep, served in one run by
# IPDaemon (under Wine), by a plain WSAAsyncSelect echo server written by hand
# (under the same Wine, bench/PlainEchoBench.cpp) and by a Python asyncio echo
# server doing the same work.
#   tools/ipdaemon-bench.sh [connections] [lines] [rounds]   (after tools/build.sh)
# Prints the servers' times and peak memory, the client's counts (every
# connection must be done, none mixed or lost) and the time ratios.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/windows
state=$build/bench-ipdaemon
prefix=$build/wineprefix
connections=${1:-1000}
lines=${2:-100}
rounds=${3:-3}
port=20950
load=$root/tools/peers/echo_load.py
mkdir -p "$state"
rm -f "$state"/*.all
ulimit -n 8192

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
#   run <name> <port> <server command...>
run() {
    local name=$1 port=$2
    shift 2
    "$@" >"$state/$name.txt" 2>"$state/$name.err" &
    local pid=$!
    wait_for_port "$port"
    /usr/bin/python3 "$load" client "$port" "$connections" "$lines" >"$state/$name.client" || true
    wait $pid || true
    grep '^server' "$state/$name.txt" || cat "$state/$name.err"
}
wine_run() { "$root/tools/wine-run.sh" "$prefix" "$state/work" "$@"; }

# Rounds take turns (IPDaemon, plain, Python, IPDaemon, ...) so that a busy
# moment of the machine does not fall on one server only; medians are compared.
for round in $(seq 1 "$rounds"); do
    echo "round $round"
    echo "  IPDaemon:      $(run ipdaemon $port wine_run "$build/bin/ipdaemon_bench.exe" $port $((connections + 1)))"
    echo "    its client:  $(cat "$state/ipdaemon.client")"
    echo "  Plain server:  $(run plain $((port + 2)) wine_run "$build/bin/plain_echo_bench.exe" $((port + 2)) \
        $((connections + 1)))"
    echo "    its client:  $(cat "$state/plain.client")"
    echo "  Python server: $(run python $((port + 1)) /usr/bin/python3 "$load" server $((port + 1)) $((connections + 1)))"
    echo "    its client:  $(cat "$state/python.client")"
    for name in ipdaemon plain python; do
        cat "$state/$name.client" >>"$state/$name.all"
    done
done
/usr/bin/python3 - "$state" <<'PY'
import statistics, sys
state = sys.argv[1]
def median(name):
    rows = [line.split() for line in open("%s/%s.all" % (state, name)) if line.startswith("client")]
    bad = [r for r in rows if r[3:] != ["mixed=0", "lost=0"] or r[2].split("=")[1] == "0"]
    return statistics.median(float(r[1]) for r in rows), len(bad)
ours, ours_bad = median("ipdaemon")
plain, plain_bad = median("plain")
python, _ = median("python")
print("median client time: IPDaemon %.3f s, plain server %.3f s, Python asyncio %.3f s" % (ours, plain, python))
print("client time ratio IPDaemon / plain WSAAsyncSelect server: %.2f" % (ours / plain))
print("client time ratio IPDaemon / Python asyncio: %.2f" % (ours / python))
if ours_bad or plain_bad:
    print("rounds with connections mixed, lost or not done: IPDaemon %d, plain server %d" % (ours_bad, plain_bad))
PY
