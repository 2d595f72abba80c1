#!/bin/bash
# The multipart upload benchmark: WebUpload (under Wine) and curl -F post the
# same 200 MB file to the same CGI program on apache2 (it reads the body in
# blocks and answers its length and SHA-256), in the same run, taking turns.
# WebUpload also posts a 20 MB file in a process of its own: its peak memory
# beside the 200 MB run's shows whether memory grows with the file.
#   tools/webupload-bench.sh [rounds]   (default 3; after tools/build.sh)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/windows
state=$build/bench-webupload
prefix=$build/wineprefix
port=20480
rounds=${1:-3}
"$root/tools/peer.sh" up "$state/apache" $port "$root/tools/peers/web_apache.sh" $port >/dev/null
trap '"$root/tools/peer.sh" down "$state/apache"; rm -f "$state"/*.bin' EXIT
url=http://127.0.0.1:$port/cgi-bin/sink.py
/usr/bin/python3 - "$state" <<'PY'
import sys
block = bytes((i * 7 + 3) % 251 for i in range(1 << 20))
for name, mb in (("big200.bin", 200), ("big20.bin", 20)):
    with open(sys.argv[1] + "/" + name, "wb") as f:
        for _ in range(mb):
            f.write(block)
PY
windows() { echo "Z:${1//\//\\}"; }

: >"$state/times"
for _ in $(seq 1 "$rounds"); do
    /usr/bin/time -f 'curl-peak-kb %M' -o "$state/curl.mem" \
        curl -s -o "$state/curl.reply" -w 'curl %{time_total}\n' -H 'Expect:' \
        -F "file=@$state/big200.bin;type=application/octet-stream" "$url" >>"$state/times"
    cat "$state/curl.mem" >>"$state/times"
    "$root/tools/wine-run.sh" "$prefix" "$state/work" "$build/bin/webupload_bench.exe" "$url" \
        "$(windows "$state/big200.bin")" 1 | sed 's/^upload/ours/' >>"$state/times"
done
"$root/tools/wine-run.sh" "$prefix" "$state/work" "$build/bin/webupload_bench.exe" "$url" \
    "$(windows "$state/big20.bin")" 1 | sed 's/^upload/ours20/' >>"$state/times"
echo "curl's reply: $(cat "$state/curl.reply")"
/usr/bin/python3 - "$state/times" <<'PY'
import re, statistics, sys
curl, ours, curl_kb, ours_kb, small_kb, replies = [], [], [], [], None, set()
for line in open(sys.argv[1]):
    words = line.split()
    if words[0] == "curl":
        curl.append(float(words[1]))
    elif words[0] == "curl-peak-kb":
        curl_kb.append(int(words[1]))
    elif words[0] in ("ours", "ours20"):
        fields = dict(w.split("=", 1) for w in words[2:] if "=" in w)
        if fields["rc"] != "0":
            sys.exit("WebUpload failed: " + line)
        if words[0] == "ours":
            ours.append(float(words[1]))
            ours_kb.append(int(fields["peak-private-kb"]))
            replies.add(line.split("reply=", 1)[1].strip())
        else:
            small_kb = int(fields["peak-private-kb"])
print("WebUpload's reply: " + " | ".join(sorted(replies)))
print("multipart upload of 200 MB: WebUpload %.3f s, curl -F %.3f s, ratio %.2f (medians of %d); best %.3f s and %.3f s, ratio %.2f"
      % (statistics.median(ours), statistics.median(curl), statistics.median(ours) / statistics.median(curl), len(ours),
         min(ours), min(curl), min(ours) / min(curl)))
print("peak memory: WebUpload %d kB private with 200 MB, %d kB with 20 MB; curl %d kB resident with 200 MB"
      % (max(ours_kb), small_kb, max(curl_kb)))
PY
