#!/bin/bash
# Runs a command in a client network namespace of its own, routed through
# two router namespaces to a target namespace; nothing is connected to the
# host's interfaces and the 198.18.0.0/16 addresses exist only in here.
#   hops.sh [--peers] <wine prefix> <command> [args...]
# Arguments of the command equal to the prefix are replaced with the layered
# one inside (as is $KES_HOPS_PREFIX).
# --peers also starts, in the client namespace, icmp_crafter.py (crafted
# ICMP messages to the client's own address) and mcast_peer.py (answers
# datagrams to the group 239.255.42.99 port 20811), each for at most five
# minutes.
#
#   client 198.18.1.2, .3 - R1 198.18.1.1 | 198.18.2.1 - R2 198.18.2.2 | 198.18.3.1
#     - target 198.18.3.2 and 198.18.5.2
# To 198.18.3.2 the hops are R1, R2, the target. The client reaches
# 198.18.5.2 from 198.18.1.3, to which R2 never sends a message of its own:
# there R2 is a silent hop. R1 has no route to 198.18.9.0/24 and answers
# "network unreachable". ICMP answers are not rate-limited in the routers.
#
# The command runs with a mount namespace of its own too: /etc/hosts names
# the routers (hop-one.kes.test, hop-two.kes.test), and the resolver asks
# only 127.0.0.1, where nothing listens, so a look-up never leaves. The Wine
# prefix is laid over a private layer, so the command's Wine programs get a
# wineserver of their own inside the namespace (Wine's sockets are the
# server's); it is stopped at the end.
set -euo pipefail
if [ "${KES_HOPS_INSIDE:-}" != 1 ]; then
    KES_HOPS_INSIDE=1 exec unshare -n -m --propagation private "$0" "$@"
fi
peers=0
if [ "$1" = --peers ]; then
    peers=1
    shift
fi
prefix=$1
shift

pids=()
layer=""
etc=""
cleanup() {
    if [ -n "$layer" ]; then
        WINEPREFIX=$layer/prefix wineserver -k 2>/dev/null || true
    fi
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    if [ -n "$etc" ]; then
        umount /etc/hosts /etc/resolv.conf 2>/dev/null || true
        umount -R -l "$etc" 2>/dev/null || true
        rmdir "$etc" 2>/dev/null || true
    fi
}
trap cleanup EXIT

# A namespace kept alive by a sleeping process; its id (the process id) is
# left in $ns.
new_ns() {
    unshare -n sleep 3600 </dev/null >/dev/null 2>&1 &
    ns=$!
    pids+=("$ns")
    for _ in $(seq 1 100); do
        [ "$(readlink "/proc/$ns/ns/net")" != "$(readlink /proc/$$/ns/net)" ] && return 0
        sleep 0.02
    done
    echo "hops.sh: no namespace" >&2
    return 1
}
in_ns() {
    local pid=$1
    shift
    nsenter -t "$pid" -n "$@"
}

ip link set lo up
new_ns
r1=$ns
new_ns
r2=$ns
new_ns
target=$ns

ip link add vA type veth peer name vR1a
ip link set vR1a netns "$r1"
ip link add vR1b type veth peer name vR2a
ip link set vR1b netns "$r1"
ip link set vR2a netns "$r2"
in_ns "$r2" ip link add vR2b type veth peer name vB
in_ns "$r2" ip link set vB netns "$target"

ip addr add 198.18.1.2/24 dev vA
ip addr add 198.18.1.3/24 dev vA
ip link set vA up
ip route add 198.18.0.0/16 via 198.18.1.1 src 198.18.1.2
ip route add 198.18.5.0/24 via 198.18.1.1 src 198.18.1.3

in_ns "$r1" ip link set lo up
in_ns "$r1" ip addr add 198.18.1.1/24 dev vR1a
in_ns "$r1" ip addr add 198.18.2.1/24 dev vR1b
in_ns "$r1" ip link set vR1a up
in_ns "$r1" ip link set vR1b up
in_ns "$r1" ip route add 198.18.3.0/24 via 198.18.2.2
in_ns "$r1" ip route add 198.18.5.0/24 via 198.18.2.2

in_ns "$r2" ip link set lo up
in_ns "$r2" ip addr add 198.18.2.2/24 dev vR2a
in_ns "$r2" ip addr add 198.18.3.1/24 dev vR2b
in_ns "$r2" ip link set vR2a up
in_ns "$r2" ip link set vR2b up
in_ns "$r2" ip route add 198.18.1.0/24 via 198.18.2.1
in_ns "$r2" ip route add 198.18.5.0/24 via 198.18.3.2
# R2's own messages to 198.18.1.3 find no route: silent to that source.
in_ns "$r2" ip route add unreachable default table 100
in_ns "$r2" ip rule add iif lo to 198.18.1.3 table 100

in_ns "$target" ip link set lo up
in_ns "$target" ip addr add 198.18.3.2/24 dev vB
in_ns "$target" ip addr add 198.18.5.2/32 dev lo
in_ns "$target" ip link set vB up
in_ns "$target" ip route add default via 198.18.3.1

for ns in "$r1" "$r2"; do
    in_ns "$ns" sysctl -qw net.ipv4.ip_forward=1
    in_ns "$ns" sysctl -qw net.ipv4.icmp_ratelimit=0
done
in_ns "$target" sysctl -qw net.ipv4.icmp_ratelimit=0

etc=$(mktemp -d /tmp/kes-hops-etc.XXXXXX)
mount -t tmpfs tmpfs "$etc"
printf '127.0.0.1 localhost\n198.18.1.1 hop-one.kes.test\n198.18.2.2 hop-two.kes.test\n' >"$etc/hosts"
printf 'nameserver 127.0.0.1\noptions attempts:1 timeout:1\n' >"$etc/resolv.conf"
mount --bind "$etc/hosts" /etc/hosts
mount --bind "$etc/resolv.conf" /etc/resolv.conf

layer=$etc/wine
mkdir -p "$layer/up" "$layer/work" "$layer/prefix"
mount -t overlay overlay -o "lowerdir=$prefix,upperdir=$layer/up,workdir=$layer/work" "$layer/prefix"

export KES_HOPS_PREFIX=$layer/prefix
if [ "$peers" = 1 ]; then
    /usr/bin/python3 "$(dirname "$0")/icmp_crafter.py" 198.18.1.2 </dev/null >/dev/null 2>&1 &
    pids+=($!)
    /usr/bin/python3 "$(dirname "$0")/mcast_peer.py" </dev/null >/dev/null 2>&1 &
    pids+=($!)
fi
command=()
for a in "$@"; do
    if [ "$a" = "$prefix" ]; then command+=("$layer/prefix"); else command+=("$a"); fi
done
status=0
"${command[@]}" || status=$?
exit "$status"
