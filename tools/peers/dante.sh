#!/bin/bash
# A private dante SOCKS server (SOCKS 4 and 5, no authentication) on 127.0.0.1:<port>.
#   dante.sh <port>
set -euo pipefail
cat >sockd.conf <<CONF
logoutput: stderr
internal: 127.0.0.1 port = $1
external: 127.0.0.1
clientmethod: none
socksmethod: none
user.privileged: root
user.unprivileged: nobody
client pass {
    from: 127.0.0.0/8 to: 0.0.0.0/0
}
socks pass {
    from: 127.0.0.0/8 to: 127.0.0.0/8
    command: connect
    protocol: tcp
}
CONF
exec /usr/sbin/danted -f "$(pwd)/sockd.conf" -p "$(pwd)/sockd.pid"
