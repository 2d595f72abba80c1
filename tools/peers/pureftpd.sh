#!/bin/bash
# pure-ftpd on 127.0.0.1:<port> with its state in the current folder: the
# virtual user "alice" (password "wonder") mapped to nobody, whose home is
# ./home/alice; passive data ports <low>..<high> on 127.0.0.1; no anonymous login,
# no reverse look-ups.
#   pureftpd.sh <port> <low> <high>
set -euo pipefail
port=$1
low=$2
high=$3
state=$(pwd)
mkdir -p home/alice
chown nobody:nogroup home/alice
printf 'wonder\nwonder\n' | /usr/bin/pure-pw useradd alice -u "$(id -u nobody)" -g "$(id -g nobody)" -d "$state/home/alice" \
    -f "$state/pureftpd.passwd" >/dev/null
# pure-pw's own hash (argon2id) costs seconds per logon: a SHA-512 crypt
# hash stands in for it.
hash=$(openssl passwd -6 wonder)
awk -F: -v OFS=: -v hash="$hash" '$1 == "alice" { $2 = hash } { print }' pureftpd.passwd >pureftpd.passwd.new
mv pureftpd.passwd.new pureftpd.passwd
/usr/bin/pure-pw mkdb "$state/pureftpd.pdb" -f "$state/pureftpd.passwd"
exec /usr/sbin/pure-ftpd -S "127.0.0.1,$port" -l "puredb:$state/pureftpd.pdb" -E -H -p "$low:$high" -P 127.0.0.1 -c 20
