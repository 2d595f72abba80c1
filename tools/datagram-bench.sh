#!/bin/bash
# The datagram benchmark: the DNS component (under Wine) and dnspython ask
# bind9 the same 10,000 queries (A and MX by turns, one after another), and
# the TFTP component and the tftp-hpa client get and put the same 10 MB file
# through tftpd-hpa, in the same run.
#   tools/datagram-bench.sh            (after tools/build.sh)
# Prints each side's wall time and peak memory and the ratio component / yardstick.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/windows
state=$build/bench-datagram
prefix=$build/wineprefix
dns_port=21153
tftp_port=21169
size=$((10 << 20))
mkdir -p "$state"
"$root/tools/peer.sh" up "$state/bind9" $dns_port "$root/tools/peers/bind9.sh" $dns_port >/dev/null
"$root/tools/peer.sh" up "$state/tftpd" 0 "$root/tools/peers/tftpd.sh" $tftp_port >/dev/null
trap '"$root/tools/peer.sh" down "$state/bind9"; "$root/tools/peer.sh" down "$state/tftpd"' EXIT
head -c $size /dev/urandom >"$state/tftpd/root/bench10m.bin"
chmod 666 "$state/tftpd/root/bench10m.bin"
cp "$state/tftpd/root/bench10m.bin" "$state/upload.bin"

timed() { /usr/bin/time -f "%e %M" "$@" 2>&1 >/dev/null | tail -1; }
python=$(/usr/bin/time -f "peak-kb %M" /usr/bin/python3 "$root/tools/peers/dns_load.py" $dns_port 10000 2>&1)
echo "$python"
cd "$state"
tftp_get=$(timed /usr/bin/tftp 127.0.0.1 $tftp_port -m binary -c get bench10m.bin "$state/client-got.bin")
cmp -s "$state/client-got.bin" "$state/upload.bin" || echo "tftp-hpa get: file differs" >&2
tftp_put=$(timed /usr/bin/tftp 127.0.0.1 $tftp_port -m binary -c put "$state/upload.bin" client-up.bin)
echo "tftp-hpa get $tftp_get, put $tftp_put (seconds, peak kB)"
ours=$("$root/tools/wine-run.sh" "$prefix" "$state/work" "$build/bin/datagram_bench.exe" $dns_port $tftp_port \
    bench10m.bin "Z:${state//\//\\}\\upload.bin")
echo "$ours"
cmp -s "$state/work/got.bin" "$state/upload.bin" || echo "component get: file differs" >&2
cmp -s "$state/tftpd/root/bench-up.bin" "$state/upload.bin" || echo "component put: file differs" >&2
field() { echo "$ours" | awk -v k="$1" '$1 == k {print $2}'; }
ratio() { awk -v l="$1" -v a="$2" -v b="$3" 'BEGIN {printf "%-36s component %.3f s, yardstick %.3f s, ratio %.2f\n", l, a, b, a / b}'; }
ratio "10,000 DNS queries (dnspython):" "$(field dns)" "$(echo "$python" | awk '$1 == "dnspython" {print $2}')"
ratio "TFTP get 10 MB (tftp-hpa):" "$(field tftp-get)" "$(echo "$tftp_get" | awk '{print $1}')"
ratio "TFTP put 10 MB (tftp-hpa):" "$(field tftp-put)" "$(echo "$tftp_put" | awk '{print $1}')"
