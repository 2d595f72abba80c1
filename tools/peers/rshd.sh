#!/bin/bash
# netkit's in.rexecd and in.rshd under openbsd-inetd on 127.0.0.1: exec on
# <port>, shell on <port>+2. The test account "kesuser" (password "wonder",
# home ./home/kesuser, whose .rhosts trusts kesuser and root from the
# loopback) exists only in a private mount namespace, where copies of
# passwd, shadow and group that name him, and a services file with the two
# ports, stand for the system's. in.rshd takes only clients that connect
# from a reserved port (512-1023).
#   rshd.sh <port>
set -euo pipefail
port=$1
state=$(pwd)
home=$state/home/kesuser
mkdir -p etc "$home"
cp /etc/passwd /etc/shadow /etc/group etc/
echo "kesuser:x:1999:1999:kes test:$home:/bin/sh" >>etc/passwd
echo "kesuser:$(openssl passwd -6 wonder):19000:0:99999:7:::" >>etc/shadow
echo "kesuser:x:1999:" >>etc/group
printf 'localhost kesuser\n127.0.0.1 kesuser\nlocalhost root\n127.0.0.1 root\n' >"$home/.rhosts"
chmod 600 "$home/.rhosts"
chown -R 1999:1999 "$state/home"
chmod 755 "$state" "$state/home"
printf 'exec\t\t%d/tcp\nshell\t\t%d/tcp\n' "$port" $((port + 2)) >services
cat >inetd.conf <<CONF
127.0.0.1:exec	stream	tcp	nowait	root	/usr/sbin/in.rexecd	in.rexecd
127.0.0.1:shell	stream	tcp	nowait	root	/usr/sbin/in.rshd	in.rshd
CONF
exec unshare -m sh -c "for f in passwd shadow group; do mount --bind '$state/etc/'\$f /etc/\$f; done; \
mount --bind '$state/services' /etc/services && exec /usr/sbin/inetd -d '$state/inetd.conf'"
