#!/bin/bash
# Runs a command in a private network namespace with its own loopback and one
# veth pair (an adapter for the system to list). Test peers listen on fixed
# loopback ports: in a namespace of its own a run can neither meet another
# tree's peers nor send a packet off this machine. Where namespaces cannot be
# made (no unshare, no rights) the command runs as it is.
set -euo pipefail
if [ "${KES_IN_NETNS:-}" = 1 ] || ! unshare -n true 2>/dev/null; then
    exec "$@"
fi
export KES_IN_NETNS=1
exec unshare -n bash -c '
set -e
ip link set lo up
ip link add kes0 type veth peer name kes1
ip addr add 10.213.0.1/24 dev kes0
ip link set kes0 up
ip link set kes1 up
exec "$@"' in-netns "$@"
