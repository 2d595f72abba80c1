#!/bin/bash
# The SNMP walk benchmark: snmpd's whole tree from 1.3.6.1, walked by SNMPMgr
# (under Wine) and by net-snmp's snmpbulkwalk and snmpwalk against the same
# snmpd in the same run: SNMPv2c with GetBulk, SNMPv3 signed with SHA-1 by
# GetNext and by GetBulk. snmpd leaves out the tables of the machine's
# processes and connections, which change while the walks run.
#   tools/snmp-bench.sh            (after tools/build.sh)
# Each side walks three times; the best time counts. Prints rows, times and
# peak memory of both sides and the time ratio SNMPMgr / net-snmp per walk.
# SNMPMgr's time is counted inside the program from the first request;
# net-snmp's is the whole run of the tool.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/windows
state=$build/bench-snmp
prefix=$build/wineprefix
port=20961
mkdir -p "$state"
"$root/tools/peer.sh" up "$state/snmpd" 0 "$root/tools/peers/snmpd.sh" $port stable >/dev/null
trap '"$root/tools/peer.sh" down "$state/snmpd"' EXIT
export MIBS= SNMP_PERSISTENT_DIR="$state/tools"
v3="-v3 -l authNoPriv -u shauser -a SHA -A authpass123"

# The best of three net-snmp walks: "<seconds> <peak kB> <rows>".
tool() {
    for _ in 1 2 3; do
        /usr/bin/time -f "%e %M" -o "$state/time.txt" "$@" -m '' -On "127.0.0.1:$port" 1.3.6.1 >"$state/rows.txt"
        echo "$(cat "$state/time.txt") $(grep '^\.' "$state/rows.txt" | grep -vc 'No more variables')"
    done | sort -n | head -1
}
peer_bulk=$(tool snmpbulkwalk -v2c -c public -Cr25)
peer_next=$(tool snmpwalk $v3)
peer_v3bulk=$(tool snmpbulkwalk $v3 -Cr25)
ours=$(for _ in 1 2 3; do "$root/tools/wine-run.sh" "$prefix" "$state/work" "$build/bin/snmp_walk_bench.exe" $port; done)
echo "$ours"
best() { echo "$ours" | awk -v k="$1" '$1 == k' | sort -k2 -n | head -1; }
field() { best "$1" | awk '{print $2}'; }
rows() { best "$1" | awk '{sub("rows=", "", $3); print $3}'; }
ratio() {
    read -r seconds kb count <<<"$3"
    awk -v l="$1" -v a="$(field "$2")" -v r="$(rows "$2")" -v b="$seconds" -v kb="$kb" -v n="$count" \
        'BEGIN {printf "%-26s SNMPMgr %.3f s (%d rows), net-snmp %.3f s (%d rows, peak %d kB), ratio %.2f\n", l, a, r, b, n, kb, a / b}'
}
ratio "v2c GetBulk walk:" v2c-bulk "$peer_bulk"
ratio "v3 SHA-1 GetNext walk:" v3-getnext "$peer_next"
ratio "v3 SHA-1 GetBulk walk:" v3-bulk "$peer_v3bulk"
