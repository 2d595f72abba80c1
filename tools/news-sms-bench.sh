#!/bin/bash
# The news and short-message benchmark, in one run on a private loopback
# (tools/in-netns.sh): XOVER of a group of <articles> articles from a private
# INN by the NNTP component (under Wine) and by Python's nntplib, then
# <messages> submit_sm over one bound session to the Net::SMPP message centre
# by the SMPP component and by a Perl Net::SMPP client, and by a plain
# blocking Winsock client under Wine (the round trips' own cost there). Each
# side does its work <rounds> times; the medians are compared.
#   tools/news-sms-bench.sh [articles] [messages] [rounds]   (after tools/build.sh)
# Prints every round, the medians and the ratios component / peer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ "${KES_IN_NETNS:-}" != 1 ]; then
    exec bash "$root/tools/in-netns.sh" bash "$0" "$@"
fi
build=$root/build/windows
state=$build/bench-news-sms
prefix=$build/wineprefix
articles=${1:-10000}
messages=${2:-1000}
rounds=${3:-5}
nntp_port=21119
smpp_port=21775
group=kes.test.bench
mkdir -p "$state"
stop() {
    "$root/tools/peer.sh" down "$state/inn" || true
    "$root/tools/peer.sh" down "$state/smpp" || true
}
trap stop EXIT
echo "posting $articles articles to INN..."
# (posting thousands of articles outlasts peer.sh's 30 s wait for "ready")
mkdir -p "$state/inn"
"$root/tools/peer.sh" up "$state/inn" 0 --stop "$root/tools/peers/inn.sh" --stop -- \
    "$root/tools/peers/inn.sh" $nntp_port "$articles" >/dev/null 2>&1 || true
for _ in $(seq 1 1200); do
    [ -f "$state/inn/ready" ] && break
    kill -0 -- -"$(cat "$state/inn/pid")" 2>/dev/null || { cat "$state/inn/output" >&2; exit 1; }
    sleep 0.5
done
[ -f "$state/inn/ready" ] || { echo "INN was not filled in 10 minutes" >&2; exit 1; }
"$root/tools/peer.sh" up "$state/smpp" $smpp_port perl "$root/tools/peers/smpp_peer.pl" $smpp_port >/dev/null

bench() { "$root/tools/wine-run.sh" "$prefix" "$state/work" "$build/bin/news_sms_bench.exe" "$@"; }
ours_overview=$(bench overview $nntp_port $group "$rounds")
python_overview=$(cd "$state" && /usr/bin/python3 -W ignore "$root/tools/peers/nntp_overview_bench.py" $nntp_port $group "$rounds")
ours_submit=$(bench submit $smpp_port "$messages" "$rounds")
perl_submit=$(cd "$state" && perl "$root/tools/peers/smpp_submit_bench.pl" $smpp_port "$messages" "$rounds")
plain_submit=$(bench plain-submit $smpp_port "$messages" "$rounds")
echo "NNTP component:"; echo "$ours_overview"
echo "nntplib:"; echo "$python_overview"
echo "SMPP component:"; echo "$ours_submit"
echo "Net::SMPP client:"; echo "$perl_submit"
echo "plain Winsock client:"; echo "$plain_submit"
median() { echo "$1" | awk '{print $2}' | sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
ratio() {
    awk -v l="$1" -v p="$2" -v a="$3" -v b="$4" \
        'BEGIN {printf "%-36s component %.3f s, %s %.3f s, ratio %.2f\n", l, a, p, b, a / b}'
}
ratio "XOVER of $articles articles:" nntplib "$(median "$ours_overview")" "$(median "$python_overview")"
ratio "$messages submit_sm, one session:" Net::SMPP "$(median "$ours_submit")" "$(median "$perl_submit")"
ratio "$messages submit_sm, one session:" "plain Winsock" "$(median "$ours_submit")" "$(median "$plain_submit")"
