#!/bin/bash
# Starts and stops a test peer (a Debian daemon or a script of ours) for a CTest
# fixture. The peer runs in the background in its own state folder, in its own
# process group, until "down".
#   peer.sh up <state folder> <port> <command> [args...]
#       Empties the state folder, starts the command there and waits until
#       127.0.0.1:<port> accepts connections (port 0: until the command has
#       written the file <state folder>/ready). Fails when the peer does not
#       come up within 30 s, showing what it printed.
#   peer.sh down <state folder>
#       Ends the peer's process group.
set -euo pipefail
action=$1
state=$2
case "$action" in
up)
    port=$3
    shift 3
    [ -f "$state/pid" ] && kill -- -"$(cat "$state/pid")" 2>/dev/null || true
    rm -rf "$state"
    mkdir -p "$state"
    cd "$state"
    setsid "$@" </dev/null >"$state/output" 2>&1 &
    echo $! >"$state/pid"
    for _ in $(seq 1 300); do
        if ! kill -0 "$(cat "$state/pid")" 2>/dev/null; then
            echo "peer ended early: $*" >&2
            cat "$state/output" >&2
            exit 1
        fi
        if [ "$port" = 0 ]; then
            [ -f "$state/ready" ] && exit 0
        elif (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
            exit 0
        fi
        sleep 0.1
    done
    echo "peer did not come up: $*" >&2
    cat "$state/output" >&2
    exit 1
    ;;
down)
    if [ -f "$state/pid" ]; then
        kill -- -"$(cat "$state/pid")" 2>/dev/null || true
        rm -f "$state/pid"
    fi
    ;;
*)
    echo "usage: $0 up <state> <port> <command...> | down <state>" >&2
    exit 2
    ;;
esac
