#!/bin/bash
# The HTTP download and upload benchmark: the HTTP component (under Wine) and
# curl move the same data through the same loopback servers in the same run:
# a 100 MB file from apache2 (discarded, and written to a file), and a 10 MB
# POST to the scripted peer.
#   tools/http-bench.sh [rounds]   (default 7; after tools/build.sh)
# Prints both sides' median and best wall times and the ratios component / curl
# for each transfer (the machine's load varies: the best times vary least).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/windows
state=$build/bench-http
prefix=$build/wineprefix
apache_port=20450
capture_port=20451
upload=$((10 << 20))
rounds=${1:-7}
"$root/tools/peer.sh" up "$state/apache" $apache_port "$root/tools/peers/apache.sh" $apache_port 100 >/dev/null
"$root/tools/peer.sh" up "$state/capture" $capture_port /usr/bin/python3 "$root/tools/peers/http_capture.py" $capture_port >/dev/null
trap '"$root/tools/peer.sh" down "$state/apache"; "$root/tools/peer.sh" down "$state/capture"' EXIT
download_url=http://127.0.0.1:$apache_port/big.bin
upload_url=http://127.0.0.1:$capture_port/sink
head -c $upload /dev/zero | tr '\0' 'u' >"$state/upload.bin"

# Each side moves each transfer $rounds times, taking turns; medians are compared.
: >"$state/times"
for _ in $(seq 1 "$rounds"); do
    echo "curl download-discard $(curl -s -o /dev/null -w '%{time_total}' "$download_url")" >>"$state/times"
    echo "curl download-file $(curl -s -o "$state/curl.bin" -w '%{time_total}' "$download_url")" >>"$state/times"
    rm -f "$state/curl.bin"
    echo "curl upload $(curl -s -o /dev/null -w '%{time_total}' -H 'Expect:' --data-binary @"$state/upload.bin" \
        "$upload_url")" >>"$state/times"
    "$root/tools/wine-run.sh" "$prefix" "$state/work" "$build/bin/http_transfer_bench.exe" "$download_url" \
        "$upload_url" $upload | sed 's/^/ours /' >>"$state/times"
done
/usr/bin/python3 - "$state/times" <<'PY'
import collections, statistics, sys
times = collections.defaultdict(list)
for line in open(sys.argv[1]):
    side, transfer, seconds = line.split()[:3]
    times[side, transfer].append(float(seconds))
for transfer, label in (("download-discard", "download 100 MB, body discarded:"),
                        ("download-file", "download 100 MB into a file:"), ("upload", "upload 10 MB with POST:")):
    ours, curl = times["ours", transfer], times["curl", transfer]
    print("%-34s HTTP component %.3f s, curl %.3f s, ratio %.2f (medians of %d); best %.3f s and %.3f s, ratio %.2f"
          % (label, statistics.median(ours), statistics.median(curl), statistics.median(ours) / statistics.median(curl),
             len(ours), min(ours), min(curl), min(ours) / min(curl)))
PY
