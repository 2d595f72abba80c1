#!/bin/bash
# netkit's in.rexecd and in.rshd under openbsd-inetd on 127.0.0.1: exec on
# <port>, shell on <port>+2, in a private mount namespace with the test
# account kesuser (tools/peers/test-account.sh: password "wonder", home
# /home/kesuser, which is ./home/kesuser) and a services file with the two
# ports. His .rhosts trusts kesuser and root from the loopback. in.rshd takes
# only clients that connect from a reserved port (512-1023).
#   rshd.sh <port>
set -euo pipefail
port=$1
state=$(pwd)
. "$(dirname "$0")/test-account.sh"
test_account 1999
printf 'localhost kesuser\n127.0.0.1 kesuser\nlocalhost root\n127.0.0.1 root\n' >home/kesuser/.rhosts
chown 1999:1999 home/kesuser/.rhosts
chmod 600 home/kesuser/.rhosts
printf 'exec\t\t%d/tcp\nshell\t\t%d/tcp\n' "$port" $((port + 2)) >services
cat >inetd.conf <<CONF
127.0.0.1:exec	stream	tcp	nowait	root	/usr/sbin/in.rexecd	in.rexecd
127.0.0.1:shell	stream	tcp	nowait	root	/usr/sbin/in.rshd	in.rshd
CONF
exec unshare -m sh -c "$(test_account_mounts) mount --bind '$state/services' /etc/services && \
exec /usr/sbin/inetd -d '$state/inetd.conf'"
