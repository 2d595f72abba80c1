#!/bin/bash
# The mail benchmark: the SMTP component (under Wine) and Python's smtplib
# send the same mail to the same aiosmtpd on the loopback, in one run:
# 1,000 messages of 10 KB over one connection, then one message with a
# 100 MB attachment (FileMailer beside email.mime + smtplib), whose peak
# memory is shown beside that of a 1 MB attachment.
#   tools/mail-bench.sh [messages] [bytes]   (after tools/build.sh)
# Prints both wall times, the ratios component / smtplib, and peak memory.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/windows
state=$build/bench-mail
prefix=$build/wineprefix
messages=${1:-1000}
bytes=${2:-10240}
port=20525
"$root/tools/peer.sh" up "$state/peer" $port /usr/bin/python3 "$root/tools/peers/smtp_peer.py" $port --discard >/dev/null
trap '"$root/tools/peer.sh" down "$state/peer"' EXIT
mkdir -p "$state/files"
head -c $((100 << 20)) /dev/urandom >"$state/files/big.bin"
head -c $((1 << 20)) /dev/urandom >"$state/files/small.bin"
bench() { "$root/tools/wine-run.sh" "$prefix" "$state/work" "$build/bin/mail_send_bench.exe" "$@"; }
python() { /usr/bin/python3 "$root/tools/peers/smtp_load.py" "$@"; }
winpath() { echo "Z:${1//\//\\}"; }
field() { echo "$1" | awk -v k="$2" '$1 == k {print $2}'; }
ratio() { awk -v l="$1" -v a="$2" -v b="$3" 'BEGIN {printf "%-40s component %.3f s, smtplib %.3f s, ratio %.2f\n", l, a, b, a / b}'; }

ours_many=$(bench many $port "$messages" "$bytes")
python_many=$(python many $port "$messages" "$bytes")
ours_small=$(bench attach $port "$(winpath "$state/files/small.bin")")
ours_big=$(bench attach $port "$(winpath "$state/files/big.bin")")
python_small=$(python attach $port "$state/files/small.bin")
python_big=$(python attach $port "$state/files/big.bin")
printf '%s\n' "$ours_many" "$python_many" "$ours_small" "$ours_big" "$python_small" "$python_big"
echo "server: $(cat "$state/peer/mail/received") (messages, bytes)"
ratio "$messages messages of $bytes bytes, one connection:" "$(field "$ours_many" many)" "$(field "$python_many" many)"
ratio "one 100 MB attachment:" "$(field "$ours_big" attach)" "$(field "$python_big" attach)"
peak() { echo "$1" | sed -n 's/.* peak-private-kb=\([0-9]*\).*/\1/p'; }
rss() { echo "$1" | sed -n 's/.*maxrss-kb=\([0-9]*\).*/\1/p'; }
echo "peak private memory, FileMailer: 1 MB attachment $(peak "$ours_small") KB, 100 MB attachment $(peak "$ours_big") KB"
echo "peak resident memory, smtplib:   1 MB attachment $(rss "$python_small") KB, 100 MB attachment $(rss "$python_big") KB"
rm -f "$state/files/big.bin" "$state/files/small.bin"
