#!/bin/bash
# The HTTP download and upload benchmark: the HTTP component (under Wine) and
# curl move the same data through the same loopback servers in the same run:
# a 100 MB file from apache2 (discarded, and written to a file), and a 10 MB
# POST to the scripted peer.
#   tools/http-bench.sh            (after tools/build.sh)
# Prints both wall times and the ratio component / curl for each transfer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/windows
state=$build/bench-http
prefix=$build/wineprefix
apache_port=20450
capture_port=20451
upload=$((10 << 20))
"$root/tools/peer.sh" up "$state/apache" $apache_port "$root/tools/peers/apache.sh" $apache_port 100 >/dev/null
"$root/tools/peer.sh" up "$state/capture" $capture_port /usr/bin/python3 "$root/tools/peers/http_capture.py" $capture_port >/dev/null
trap '"$root/tools/peer.sh" down "$state/apache"; "$root/tools/peer.sh" down "$state/capture"' EXIT
download_url=http://127.0.0.1:$apache_port/big.bin
upload_url=http://127.0.0.1:$capture_port/sink
head -c $upload /dev/zero | tr '\0' 'u' >"$state/upload.bin"

curl_discard=$(curl -s -o /dev/null -w '%{time_total}' "$download_url")
curl_file=$(curl -s -o "$state/curl.bin" -w '%{time_total}' "$download_url")
rm -f "$state/curl.bin"
curl_post=$(curl -s -o /dev/null -w '%{time_total}' -H 'Expect:' --data-binary @"$state/upload.bin" "$upload_url")
ours=$("$root/tools/wine-run.sh" "$prefix" "$state/work" "$build/bin/http_transfer_bench.exe" "$download_url" "$upload_url" $upload)
echo "$ours"
field() { echo "$ours" | awk -v k="$1" '$1 == k {print $2}'; }
ratio() { awk -v l="$1" -v a="$2" -v b="$3" 'BEGIN {printf "%-34s HTTP component %.3f s, curl %.3f s, ratio %.2f\n", l, a, b, a / b}'; }
ratio "download 100 MB, body discarded:" "$(field download-discard)" "$curl_discard"
ratio "download 100 MB into a file:" "$(field download-file)" "$curl_file"
ratio "upload 10 MB with POST:" "$(field upload)" "$curl_post"
