#!/bin/bash
# The mail fetch benchmark: the POP and IMAP components (under Wine) and
# Python's poplib and imaplib fetch the same messages from one private
# dovecot in the same run: a message of <big MB> into a file (with the growth
# of peak memory), then <messages> messages of <KB> each. After a warm-up
# round (a cold wineserver starts its services inside the first timed step)
# the two sides take turns, <rounds> times, in one wineserver session.
#   tools/in-netns.sh tools/mailbox-bench.sh [messages] [KB] [big MB] [rounds] [fetch,fetch...]
#   (after tools/build.sh)
# Prints each round's times, then per fetch the median times and the ratios
# component / Python as min / median / max. A list of fetches (imap-big-file,
# pop-big-file, imap-messages, pop-messages) times only those; all by default.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/windows
state=$build/bench-mailbox
prefix=$build/wineprefix
messages=${1:-1000}
kb=${2:-20}
mb=${3:-50}
rounds=${4:-7}
fetches=${5:-}
imap_port=21243
pop_port=21210
mkdir -p "$state/python"
"$root/tools/wine-prefix.sh" up "$prefix"
"$root/tools/peer.sh" up "$state/dovecot" $imap_port "$root/tools/peers/dovecot.sh" $imap_port $pop_port \
    "$messages" "$kb" "$mb" >/dev/null
trap '"$root/tools/peer.sh" down "$state/dovecot"; "$root/tools/wine-prefix.sh" down "$prefix"' EXIT
python() { (cd "$state/python" && /usr/bin/python3 "$root/tools/peers/mail_client_bench.py" $imap_port $pop_port \
    "$messages" $fetches); }
ours() { "$root/tools/wine-run.sh" "$prefix" "$state/work" "$build/bin/mail_fetch_bench.exe" $imap_port $pop_port \
    "$messages" $fetches; }

: >"$state/times"
for round in $(seq 0 "$rounds"); do
    # Odd rounds start with Python, even ones with the components.
    for side in $([ $((round % 2)) = 1 ] && echo "python ours" || echo "ours python"); do
        "$side" | awk -v r="$round" -v s="$([ "$side" = python ] && echo python || echo ours)" \
            '{ sub(/\r$/, "") } $NF ~ /^rc=/ && $NF != "rc=0" { print "failed: " $0 > "/dev/stderr" } { print r, s, $1, $2 }' \
            >>"$state/times"
    done
done
cat "$state/times"
labels=("imap-big-file=IMAP ${mb} MB into a file:" "pop-big-file=POP ${mb} MB into a file:"
    "imap-messages=IMAP $messages x $kb KB, one FETCH:" "pop-messages=POP $messages x $kb KB, one RETR each:")
wanted=()
for label in "${labels[@]}"; do
    if [ -z "$fetches" ] || [[ ",$fetches," == *",${label%%=*},"* ]]; then
        wanted+=("$label")
    fi
done
/usr/bin/python3 "$root/tools/bench_ratios.py" "$state/times" "${wanted[@]}"
