#!/bin/bash
# Starts and stops a test peer (a Debian daemon or a script of ours) for a CTest
# fixture. The peer runs in the background in its own state folder, in its own
# process group, until "down".
#   peer.sh up <state folder> <port> [--stop <stop command...> --] <command> [args...]
#       Empties the state folder, starts the command there and waits until
#       127.0.0.1:<port> accepts connections (port 0: until the command has
#       written the file <state folder>/ready). Fails when the peer does not
#       come up within 30 s, showing what it printed. A stop command is kept
#       for "down": for daemons that do not end on SIGTERM to their process
#       group (innd, ejabberd with its epmd).
#   peer.sh down <state folder>
#       Runs the stop command, if the peer has one, in the state folder with
#       PEER_PID (the process group) and PEER_STATE set, for at most 30 s; then
#       ends the peer's process group: SIGTERM, and SIGKILL for what is still
#       there 10 s later.
set -euo pipefail
action=$1
state=$2

down() {
    [ -f "$state/pid" ] || return 0
    local group
    group=$(cat "$state/pid")
    if [ -f "$state/stop" ]; then
        (cd "$state" && PEER_PID=$group PEER_STATE=$state timeout 30 bash -c "$(cat "$state/stop")") >>"$state/output" 2>&1 ||
            echo "the stop command of the peer in $state failed" >&2
    fi
    kill -- -"$group" 2>/dev/null || true
    for _ in $(seq 1 100); do
        kill -0 -- -"$group" 2>/dev/null || break
        sleep 0.1
    done
    kill -KILL -- -"$group" 2>/dev/null || true
    rm -f "$state/pid"
}

case "$action" in
up)
    port=$3
    shift 3
    stop=()
    if [ "${1:-}" = --stop ]; then
        shift
        while [ "$#" -gt 0 ] && [ "$1" != -- ]; do
            stop+=("$1")
            shift
        done
        shift
    fi
    down
    rm -rf "$state"
    mkdir -p "$state"
    cd "$state"
    if [ "${#stop[@]}" -gt 0 ]; then
        printf '%q ' "${stop[@]}" >"$state/stop"
    fi
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
    down
    ;;
*)
    echo "usage: $0 up <state> <port> [--stop <command...> --] <command...> | down <state>" >&2
    exit 2
    ;;
esac
