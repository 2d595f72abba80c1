#!/bin/bash
# A private INN (innd with nnrpd) on 127.0.0.1:<port>, run in the current
# folder (the peer's state folder) inside a mount namespace of its own, where
# the state folder's copies of INN's configuration, database, spool, run and
# log folders are mounted over the system's. Readers log in with
# AUTHINFO USER/PASS (alice/wonder, checked by ckpasswd); nothing is readable
# before. Groups kes.test.general (filled by nntp_fill.py), kes.test.post
# (for posts), kes.test.empty and kes.test.bench (with <bench articles>
# articles, for the benchmark) are made with ctlinnd, so NEWGROUPS lists them.
# nnrpd takes readers whatever the machine's load (its default turns them
# away with 400 above a load of 16, which a busy build machine reaches).
# Writes "ready" once the articles are in. innd ignores SIGTERM: the peer's
# stop command (inn.sh --stop, with PEER_PID set by tools/peer.sh) shuts it
# down with ctlinnd inside its namespace.
#   inn.sh <port> [<bench articles>]
#   inn.sh --stop
set -euo pipefail
if [ "${1:-}" = --stop ]; then
    exec nsenter -t "$PEER_PID" -m /usr/lib/news/bin/ctlinnd -s shutdown done
fi
if [ "${1:-}" != --inside ]; then
    exec unshare -m --propagation private "$0" --inside "$@"
fi
shift
port=$1
bench=${2:-0}
state=$(pwd)
here=$(cd "$(dirname "$0")" && pwd)
bin=/usr/lib/news/bin

cp -a /etc/news etc
cp -a /var/lib/news db
cp -a /var/spool/news spool
mkdir -p run log
sed -i -e "s/^pathhost:.*/pathhost: news.kes.test/" -e "s/^port:.*/port: $port/" \
    -e "s/^#*domain:.*/domain: kes.test/" -e "s/^nnrpdloadlimit:.*/nnrpdloadlimit: 0/" etc/inn.conf
echo "bindaddress: 127.0.0.1" >>etc/inn.conf
# No feeding peers: a connection from 127.0.0.1 is a reader, handed to nnrpd.
echo "streaming: true" >etc/incoming.conf
cat >etc/readers.conf <<'CONF'
auth "kesusers" {
    hosts: "localhost, 127.0.0.1, ::1"
    auth: "ckpasswd -f /var/lib/news/newsusers"
}
access "kesusers" {
    users: "alice"
    newsgroups: "*"
    access: RPA
}
CONF
/usr/bin/python3 -W ignore -c "import crypt; print('alice:' + crypt.crypt('wonder', crypt.mksalt(crypt.METHOD_SHA512)))" >db/newsusers
chown -R news: etc db spool run log
mount --bind "$state/etc" /etc/news
mount --bind "$state/db" /var/lib/news
mount --bind "$state/spool" /var/spool/news
mount --bind "$state/run" /run/news
mount --bind "$state/log" /var/log/news

"$bin/innd" -f &
innd=$!
for _ in $(seq 1 100); do
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
    sleep 0.1
done
for group in kes.test.general kes.test.post kes.test.empty kes.test.bench; do
    "$bin/ctlinnd" -s newgroup "$group" y alice@kes.test
done
/usr/bin/python3 -W ignore "$here/nntp_fill.py" "$port" "$bench"
touch ready
wait "$innd"
