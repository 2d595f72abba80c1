#!/bin/bash
# A private tinyproxy on 127.0.0.1:<port> asking for Basic credentials
# "proxyuser"/"proxypass"; CONNECT is allowed to the connect ports only.
#   tinyproxy.sh <port> <connect port>...
set -euo pipefail
port=$1
shift
cat >tinyproxy.conf <<CONF
Port $port
Listen 127.0.0.1
Timeout 60
MaxClients 20
Allow 127.0.0.1
BasicAuth proxyuser proxypass
DisableViaHeader Yes
PidFile "$(pwd)/tinyproxy.pid"
LogLevel Warning
CONF
for connect in "$@"; do
    echo "ConnectPort $connect" >>tinyproxy.conf
done
exec /usr/bin/tinyproxy -d -c "$(pwd)/tinyproxy.conf"
