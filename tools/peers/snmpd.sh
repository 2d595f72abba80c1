#!/bin/bash
# net-snmp's agent on 127.0.0.1:<port> with its state in the current folder:
# communities "public" (read) and "private" (write), the SNMPv3 users md5user
# (MD5) and shauser (SHA-1), password "authpass123", both allowed to write
# without privacy, and noauthuser without authentication. sysContact stays out
# of the configuration, so it can be written. Writes "ready" once it answers.
#   snmpd.sh <port>
set -euo pipefail
port=$1
state=$(pwd)
mkdir -p persist
cat >snmpd.conf <<CONF
agentAddress udp:127.0.0.1:$port
rocommunity public 127.0.0.1
rwcommunity private 127.0.0.1
createUser md5user MD5 "authpass123"
createUser shauser SHA "authpass123"
createUser noauthuser
rwuser md5user auth
rwuser shauser auth
rouser noauthuser noauth
sysLocation Rack 7, kes lab
sysName kes-snmp-peer
CONF
export MIBS= SNMP_PERSISTENT_DIR="$state/persist"
/usr/sbin/snmpd -f -Lo -C -c "$state/snmpd.conf" -p "$state/snmpd.pid" -m '' &
agent=$!
for _ in $(seq 1 100); do
    if /usr/bin/snmpget -m '' -v2c -c public -t 0.2 -r 0 "127.0.0.1:$port" 1.3.6.1.2.1.1.5.0 >/dev/null 2>&1; then
        touch ready
        wait $agent
        exit $?
    fi
    sleep 0.1
done
echo "snmpd did not answer on port $port" >&2
exit 1
