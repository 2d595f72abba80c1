#!/bin/bash
# net-snmp's trap receiver on 127.0.0.1:<port>, logging every trap and inform
# to traps.log in the current folder, one line each:
#   TRAP1 <kind, version, community> <enterprise> <generic> <specific> | <bindings>
#   TRAP2 <kind, version, community or user> | <bindings>
# with the bindings separated by " | ".
# Community "public" is accepted; SNMPv3 users: informuser (SHA-1,
# "informpass123") for informs, and agentuser (MD5, "agentpass123") for traps
# from the engine 0x8000000001020304. Writes "ready" once it listens.
#   snmptrapd.sh <port>
set -euo pipefail
port=$1
state=$(pwd)
mkdir -p persist
cat >snmptrapd.conf <<CONF
authCommunity log public
authUser log informuser auth
authUser log agentuser auth
createUser informuser SHA "informpass123"
createUser -e 0x8000000001020304 agentuser MD5 "agentpass123"
format1 TRAP1 %P %N %w %q | %V| %v\n
format2 TRAP2 %P | %V| %v\n
CONF
export MIBS= SNMP_PERSISTENT_DIR="$state/persist"
/usr/sbin/snmptrapd -f -Lf "$state/traps.log" -C -c "$state/snmptrapd.conf" -p "$state/snmptrapd.pid" -m '' -On \
    "udp:127.0.0.1:$port" &
receiver=$!
for _ in $(seq 1 100); do
    if ss -Hulnp "sport = :$port" | grep -q snmptrapd; then
        touch ready
        wait $receiver
        exit $?
    fi
    sleep 0.1
done
echo "snmptrapd did not listen on port $port" >&2
exit 1
