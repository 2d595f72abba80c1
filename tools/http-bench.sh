#!/bin/bash
# The HTTP download and upload benchmark: the HTTP component (under Wine) and
# curl move the same data through the same loopback servers in the same run:
# a 100 MB file from apache2 (discarded, and written to a file), and a 10 MB
# POST to the scripted peer; the discarded download also by a plain blocking
# Winsock client under the same Wine (bench/PlainHttpGetBench.cpp), the
# floor Wine sets. After a warm-up round the sides take turns, <rounds>
# times, in one wineserver session.
#   tools/in-netns.sh tools/http-bench.sh [rounds]   (default 7; after tools/build.sh)
# Prints per transfer both sides' median times and the ratios component /
# curl (and component / plain client) as min / median / max.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/windows
state=$build/bench-http
prefix=$build/wineprefix
apache_port=20450
capture_port=20451
upload=$((10 << 20))
rounds=${1:-7}
"$root/tools/wine-prefix.sh" up "$prefix"
"$root/tools/peer.sh" up "$state/apache" $apache_port "$root/tools/peers/apache.sh" $apache_port 100 >/dev/null
"$root/tools/peer.sh" up "$state/capture" $capture_port /usr/bin/python3 "$root/tools/peers/http_capture.py" $capture_port >/dev/null
trap '"$root/tools/peer.sh" down "$state/apache"; "$root/tools/peer.sh" down "$state/capture"
    "$root/tools/wine-prefix.sh" down "$prefix"' EXIT
download_url=http://127.0.0.1:$apache_port/big.bin
upload_url=http://127.0.0.1:$capture_port/sink
head -c $upload /dev/zero | tr '\0' 'u' >"$state/upload.bin"

curl_side() {
    local round=$1
    echo "$round curl download-discard $(curl -s -o /dev/null -w '%{time_total}' "$download_url")"
    echo "$round curl download-file $(curl -s -o "$state/curl.bin" -w '%{time_total}' "$download_url")"
    rm -f "$state/curl.bin"
    echo "$round curl upload $(curl -s -o /dev/null -w '%{time_total}' -H 'Expect:' --data-binary @"$state/upload.bin" \
        "$upload_url")"
}
ours() {
    "$root/tools/wine-run.sh" "$prefix" "$state/work" "$build/bin/http_transfer_bench.exe" "$download_url" \
        "$upload_url" $upload | sed "s/^/$1 ours /"
}
# The floor under Wine: a plain blocking Winsock client downloading the same
# file, with reads as large as the component's.
plain() {
    "$root/tools/wine-run.sh" "$prefix" "$state/work" "$build/bin/plain_http_get_bench.exe" $apache_port /big.bin \
        $((4 << 20)) 1 | sed "s/^plain-download/$1 plain download-discard/"
}

: >"$state/times"
for round in $(seq 0 "$rounds"); do
    if [ $((round % 2)) = 1 ]; then
        curl_side "$round" >>"$state/times"
        plain "$round" >>"$state/times"
        ours "$round" >>"$state/times"
    else
        ours "$round" >>"$state/times"
        plain "$round" >>"$state/times"
        curl_side "$round" >>"$state/times"
    fi
done
/usr/bin/python3 "$root/tools/bench_ratios.py" "$state/times" "download-discard:curl=download 100 MB, body discarded:" \
    "download-discard:plain=the same, beside a plain blocking Winsock client under Wine:" \
    "download-file=download 100 MB into a file:" "upload=upload 10 MB with POST:"
