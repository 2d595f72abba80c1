#!/bin/bash
# A private tinyproxy on 127.0.0.1:<port> asking for Basic credentials
# "proxyuser"/"proxypass"; CONNECT is allowed to <connect port> only.
#   tinyproxy.sh <port> <connect port>
set -euo pipefail
cat >tinyproxy.conf <<CONF
Port $1
Listen 127.0.0.1
Timeout 60
MaxClients 20
Allow 127.0.0.1
BasicAuth proxyuser proxypass
ConnectPort $2
DisableViaHeader Yes
PidFile "$(pwd)/tinyproxy.pid"
LogLevel Warning
CONF
exec /usr/bin/tinyproxy -d -c "$(pwd)/tinyproxy.conf"
