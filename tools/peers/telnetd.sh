#!/bin/bash
# telnetd (inetutils) under openbsd-inetd on 127.0.0.1:<port>, logging in
# through /bin/login. The test user kesuser (password "wonder", home in the
# state folder) exists only in the private mount namespace that inetd runs
# in, where copies of passwd, shadow and group that hold it stand for the
# system's, as does a services file that names the port.
#   telnetd.sh <port>
set -euo pipefail
port=$1
state=$(pwd)
mkdir -p etc home/kesuser
cp /etc/passwd /etc/shadow /etc/group etc/
grep -q '^kesuser:' etc/passwd || {
    echo "kesuser:x:1999:1999:kes test:$state/home/kesuser:/bin/sh" >>etc/passwd
    echo "kesuser:$(openssl passwd -6 wonder):19000:0:99999:7:::" >>etc/shadow
    echo "kesuser:x:1999:" >>etc/group
}
chown 1999:1999 home/kesuser
printf 'PS1="kes$ "\nexport PS1\n' >home/kesuser/.profile
chown 1999:1999 home/kesuser/.profile
printf 'telnet\t\t%d/tcp\n' "$port" >services
printf '127.0.0.1:telnet\tstream\ttcp\tnowait\troot\t/usr/sbin/telnetd\ttelnetd\n' >inetd.conf
cat >run.sh <<RUN
#!/bin/sh
for f in passwd shadow group; do mount --bind "$state/etc/\$f" "/etc/\$f"; done
mount --bind "$state/services" /etc/services
exec /usr/sbin/inetd -d "$state/inetd.conf"
RUN
chmod +x run.sh
exec unshare -m "$state/run.sh"
