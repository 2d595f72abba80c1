#!/bin/bash
# The WebDAV listing benchmark: a PROPFIND Depth 1 over a folder of 1,000
# files on apache2 (mod_dav), read by the WebDAV component (under Wine) as a
# directory listing and as properties, beside curl fetching the same replies,
# in the same run.
#   tools/webdav-bench.sh            (after tools/build.sh)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/windows
state=$build/bench-webdav
prefix=$build/wineprefix
port=20470
"$root/tools/peer.sh" up "$state/apache" $port "$root/tools/peers/dav_apache.sh" $port 1000 >/dev/null
trap '"$root/tools/peer.sh" down "$state/apache"' EXIT
url=http://127.0.0.1:$port/dav/many/
best() { sort -n | head -1; }
curl_list=$(for _ in $(seq 1 10); do
    curl -s -u alice:wonder -X PROPFIND -H 'Depth: 1' -o /dev/null -w '%{time_total}\n' "$url"
done | best)
curl_props=$(for _ in $(seq 1 10); do
    curl -s -u alice:wonder -X PROPFIND -H 'Depth: 1' -H 'Content-Type: text/xml; charset="utf-8"' \
        --data '<?xml version="1.0" encoding="utf-8"?><D:propfind xmlns:D="DAV:"><D:allprop/></D:propfind>' \
        -o /dev/null -w '%{time_total}\n' "$url"
done | best)
ours=$("$root/tools/wine-run.sh" "$prefix" "$state/work" "$build/bin/webdav_list_bench.exe" "$url" alice wonder 10)
echo "$ours"
field() { echo "$ours" | awk -v k="$1" '$1 == k {print $2}'; }
ratio() { awk -v l="$1" -v a="$2" -v b="$3" 'BEGIN {printf "%-44s WebDAV %.4f s, curl %.4f s, ratio %.2f\n", l, a, b, a / b}'; }
ratio "PROPFIND Depth 1, 1,000 files, DirList:" "$(field list-directory)" "$curl_list"
ratio "PROPFIND Depth 1 allprop, 1,000 files, parsed:" "$(field find-properties)" "$curl_props"
