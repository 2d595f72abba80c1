#!/bin/bash
# BIND authoritative for the test zone kes.test (a record of every type the
# DNS component reads, and a TXT record too long for a datagram) and the
# reverse zone 0.0.10.in-addr.arpa, on 127.0.0.1:<port> (UDP and TCP),
# without recursion: names outside the two zones are REFUSED. Its state
# stays in the current folder. The zone's 10.0.0.x addresses are data only.
#   bind9.sh <port>
set -euo pipefail
port=$1
state=$(pwd)
cat >named.conf <<CONF
options {
    directory "$state";
    pid-file "$state/named.pid";
    listen-on port $port { 127.0.0.1; };
    listen-on-v6 { none; };
    recursion no;
    allow-transfer { 127.0.0.1; };
    dnssec-validation no;
    session-keyfile "$state/session.key";
};
controls { };
zone "kes.test" { type primary; file "$state/kes.test.zone"; };
zone "0.0.10.in-addr.arpa" { type primary; file "$state/rev.zone"; };
CONF
cat >kes.test.zone <<'ZONE'
$TTL 300
@       IN SOA  ns1.kes.test. hostmaster.kes.test. ( 2026120701 3600 600 86400 300 )
        IN NS   ns1.kes.test.
        IN MX   10 mx1.kes.test.
        IN MX   20 mx2.kes.test.
        IN TXT  "v=spf1 -all"
ns1     IN A    127.0.0.1
mx1     IN A    10.0.0.25
mx2     IN A    10.0.0.26
www     IN A    10.0.0.80
www     IN AAAA 2001:db8::80
mapped  IN AAAA ::ffff:10.0.0.81
ftp     IN CNAME www
_ldap._tcp IN SRV 0 5 389 ns1.kes.test.
big     IN TXT  "0123456789012345678901234567890123456789012345678901234567890123456789012345678901234567890123456789" "abcdefghijabcdefghijabcdefghijabcdefghijabcdefghijabcdefghijabcdefghijabcdefghijabcdefghijabcdefghij"
host    IN HINFO "x86-64" "Windows XP"
staff   IN MINFO admin.kes.test. errors.kes.test.
staff   IN MB   ns1.kes.test.
group   IN MG   alice.kes.test.
old     IN MR   new.kes.test.
contact IN RP   hostmaster.kes.test. info.kes.test.
info    IN TXT  "Call the help desk"
afs     IN AFSDB 1 ns1.kes.test.
x25     IN X25  "311061700956"
isdn    IN ISDN "150862028003217" "004"
relay   IN RT   10 ns1.kes.test.
wks     IN WKS  10.0.0.80 6 ( 21 25 80 )
null    IN TYPE10 \# 3 010203
many    IN MX   30 c.kes.test.
many    IN MX   10 a.kes.test.
many    IN MX   10 b.kes.test.
long    IN TXT  "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa" "bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb" "cccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccc"
ZONE
cat >rev.zone <<'ZONE'
$TTL 300
@   IN SOA ns1.kes.test. hostmaster.kes.test. ( 1 3600 600 86400 300 )
    IN NS  ns1.kes.test.
80  IN PTR www.kes.test.
ZONE
/usr/bin/named-checkzone -q kes.test kes.test.zone
# As root: the state folder lies where the bind user may not reach.
exec /usr/sbin/named -g -c "$state/named.conf"
