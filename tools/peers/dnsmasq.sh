#!/bin/bash
# dnsmasq as a second, lighter name server on 127.0.0.1:<port> (UDP and TCP),
# authoritative for kes.test with an A, MX, TXT and SRV record and its own
# SOA, and no upstream server: other names get no answer from outside.
#   dnsmasq.sh <port>
set -euo pipefail
port=$1
exec /usr/sbin/dnsmasq -k -C /dev/null -p "$port" --listen-address=127.0.0.1 --bind-interfaces --no-resolv \
    --no-hosts --pid-file="$(pwd)/dnsmasq.pid" --auth-zone=kes.test --auth-server=ns1.kes.test \
    --host-record=www.kes.test,10.0.0.80 --host-record=mx1.kes.test,10.0.0.25 --mx-host=kes.test,mx1.kes.test,10 \
    --txt-record=kes.test,"v=spf1 -all" --srv-host=_ldap._tcp.kes.test,ns1.kes.test,389,1,5 --local=/kes.test/
