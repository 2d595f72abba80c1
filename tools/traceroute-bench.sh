#!/bin/bash
# The traceroute benchmark: 3 hops (two routers and the target) through the
# network namespaces of netcomp/net/tests/hops.sh, traced by the TraceRoute
# component (under Wine) and by Debian's traceroute -I (one probe per hop,
# numeric), each the best of 20 runs, in the same run; with peak memory.
#   tools/traceroute-bench.sh            (after tools/build.sh; as root)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/windows
prefix=$build/wineprefix
runs=20
"$root/netcomp/net/tests/hops.sh" "$prefix" bash -c '
set -euo pipefail
root=$1 build=$2 prefix=$3 runs=$4
best() { sort -n | head -1; }
timed() { for _ in $(seq 1 "$runs"); do
    s=$(date +%s.%N); "$@" >/dev/null; e=$(date +%s.%N); awk -v s="$s" -v e="$e" "BEGIN {print e - s}"; done | best; }
parallel=$(timed traceroute -I -n -q1 -w1 198.18.3.2)
serial=$(timed traceroute -I -n -q1 -w1 -N1 198.18.3.2)
memory=$( { /usr/bin/time -f "%M" traceroute -I -n -q1 -w1 198.18.3.2 >/dev/null; } 2>&1 | tail -1)
ours=$("$root/tools/wine-run.sh" "$prefix" "$build/bench-traceroute" "$build/bin/traceroute_bench.exe" 198.18.3.2 "$runs")
echo "$ours"
t=$(echo "$ours" | awk "\$1 == \"trace\" {print \$2}")
m=$(echo "$ours" | sed -n "s/.*memory=\([0-9]*\).*/\1/p")
awk -v a="$t" -v b="$parallel" -v c="$serial" -v m="$m" -v n="$memory" "BEGIN {
    printf \"3 hops: TraceRoute %.4f s, traceroute -I %.4f s (ratio %.2f), traceroute -I -N1 %.4f s (ratio %.2f)\n\", a, b, a / b, c, a / c;
    printf \"peak memory: TraceRoute (whole Wine process) %d KB, traceroute %d KB\n\", m, n;
    printf \"(traceroute times include starting the program; TraceRoute times are traces inside a running one)\n\" }"
' bench "$root" "$build" "$prefix" "$runs"
