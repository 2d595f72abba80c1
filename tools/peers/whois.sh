#!/bin/bash
# Two whois servers in one, as shell scripts under openbsd-inetd on
# 127.0.0.1:<port> (the whois client always asks port 43, which a test run's
# private network namespace lets it have). A query "domain <name>" is asked
# of a registry, which refers to the registrar's server; a bare "<name>" is
# asked of that registrar, which answers with the domain's record. Every
# query line is appended to queries.log in the state folder.
#   whois.sh <port>
set -euo pipefail
port=$1
state=$(pwd)
mkdir -p records
: >queries.log
chmod 666 queries.log
# The registry's referrals, in the shapes registries write them.
cat >records/refer-kes.test <<'REC'
   Domain Name: KES.TEST
   Registry Domain ID: 42_DOMAIN_TEST
   Registrar WHOIS Server: 127.0.0.1
   Registrar URL: http://registrar.kes.test
REC
printf 'Domain: upper.test\r\n\tWHOIS SERVER:\t LOCALHOST  (primary)\r\n' >records/refer-upper.test
# The registrar's record; its last line has no line end.
printf 'Domain Name: kes.test\r\nRegistrant: Kestrova test lab\r\n\r\nName Server: ns1.kes.test\r\nStatus: active' \
    >records/kes.test
printf 'Domain Name: upper.test\nStatus: active\n' >records/upper.test
# A registrar that answers with more than a client keeps (17 MB).
yes 'Flood: a line of a whois answer that goes on and on and on' | head -c 17000000 >records/flood.test || true
cat >answer.sh <<ANSWER
#!/bin/sh
# One query line in, the answer out, then the connection closes (RFC 3912).
IFS= read -r q
q=\$(printf '%s' "\$q" | tr -d '\r' | tr 'A-Z' 'a-z')
printf '%s\n' "\$q" >>"$state/queries.log"
case "\$q" in
"domain "*) name=\${q#domain }; file="$state/records/refer-\$name" ;;
*) name=\$q; file="$state/records/\$name" ;;
esac
case "\$name" in
*/*) file=/nonexistent ;;
esac
if [ -f "\$file" ]; then cat "\$file"; else printf 'No match for "%s".\r\n' "\$name"; fi
ANSWER
chmod 755 answer.sh
printf 'whois\t\t%d/tcp\n' "$port" >services
printf '127.0.0.1:whois\tstream\ttcp\tnowait\tnobody\t%s/answer.sh\tanswer.sh\n' "$state" >inetd.conf
exec unshare -m sh -c "mount --bind '$state/services' /etc/services && exec /usr/sbin/inetd -d '$state/inetd.conf'"
