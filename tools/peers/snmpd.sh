#!/bin/bash
# net-snmp's agent on 127.0.0.1:<port> with its state in the current folder:
# communities "public" (read) and "private" (write), the SNMPv3 users md5user
# (MD5) and shauser (SHA-1), password "authpass123", both allowed to write
# without privacy, and noauthuser without authentication. sysContact stays out
# of the configuration, so it can be written. With "stable", the tables that
# follow the machine's processes and connections are left out of every view,
# so that walks of the whole tree see the same rows (the benchmark). Writes
# "ready" once it answers.
#   snmpd.sh <port> [stable]
set -euo pipefail
port=$1
view=""
state=$(pwd)
mkdir -p persist
if [ "${2:-}" = stable ]; then
    view="-V stable"
    {
        echo "view stable included .1"
        # hrSWRun, hrSWRunPerf; TCP connections and listeners; UDP endpoints
        for oid in .1.3.6.1.2.1.25.4 .1.3.6.1.2.1.25.5 .1.3.6.1.2.1.6.13 .1.3.6.1.2.1.6.19 .1.3.6.1.2.1.6.20 \
            .1.3.6.1.2.1.7.5 .1.3.6.1.2.1.7.7; do
            echo "view stable excluded $oid"
        done
    } >views.conf
else
    : >views.conf
fi
cat views.conf - >snmpd.conf <<CONF
agentAddress udp:127.0.0.1:$port
rocommunity public 127.0.0.1 $view
rwcommunity private 127.0.0.1 $view
createUser md5user MD5 "authpass123"
createUser shauser SHA "authpass123"
createUser noauthuser
rwuser md5user auth $view
rwuser shauser auth $view
rouser noauthuser noauth $view
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
