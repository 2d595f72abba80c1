#!/bin/bash
# telnetd (inetutils) under openbsd-inetd on 127.0.0.1:<port>, logging in
# through /bin/login, in a private mount namespace with the test account
# kesuser (tools/peers/test-account.sh: password "wonder", home
# /home/kesuser, which is ./home/kesuser, whose .profile sets the prompt
# "kes$ ") and a services file that names the port.
#   telnetd.sh <port>
set -euo pipefail
port=$1
state=$(pwd)
. "$(dirname "$0")/test-account.sh"
test_account 1997
printf 'PS1="kes$ "\nexport PS1\n' >home/kesuser/.profile
chown 1997:1997 home/kesuser/.profile
printf 'telnet\t\t%d/tcp\n' "$port" >services
printf '127.0.0.1:telnet\tstream\ttcp\tnowait\troot\t/usr/sbin/telnetd\ttelnetd\n' >inetd.conf
exec unshare -m sh -c "$(test_account_mounts) mount --bind '$state/services' /etc/services && \
exec /usr/sbin/inetd -d '$state/inetd.conf'"
