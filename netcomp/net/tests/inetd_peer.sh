#!/bin/bash
# openbsd-inetd with its internal echo, daytime and chargen services on
# 127.0.0.1, ports <base>, <base>+1 and <base>+2. Internal services are found
# by their service names, so inetd runs in a private mount namespace where
# its own services file (in the state folder) stands for /etc/services.
set -euo pipefail
base=$1
state=$(pwd)
printf 'echo\t\t%d/tcp\ndaytime\t\t%d/tcp\nchargen\t\t%d/tcp\n' "$base" $((base + 1)) $((base + 2)) >"$state/services"
for service in echo daytime chargen; do
    printf '127.0.0.1:%s\tstream\ttcp\tnowait\troot\tinternal\n' "$service"
done >"$state/inetd.conf"
exec unshare -m sh -c "mount --bind '$state/services' /etc/services && exec /usr/sbin/inetd -d '$state/inetd.conf'"
