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
. "$(dirname "${BASH_SOURCE[0]}")/process-start.sh"
action=$1
state=$2

# Whether users other than root can reach a folder: it and each folder above
# it let others search.
reachable() {
    local folder
    folder=$(cd -P "$1" && pwd)
    while :; do
        [ -n "$(find "$folder" -maxdepth 0 -perm -o=x)" ] || return 1
        [ "$folder" = / ] && return 0
        folder=$(dirname "$folder")
    done
}

# The peers run under users of their own (nobody, a mail or news user, a
# test account), who must be able to enter their state folders. Where a
# folder above the build tree keeps others out (a tree under /root, or in a
# folder made by mktemp -d), the folder that holds the state folders becomes
# a link to one of the system's temporary folder that they can enter; the
# peers are given its real path.
peers_folder() {
    local peers target
    peers=$(dirname "$state")
    mkdir -p "$(dirname "$peers")"
    exec 8>"$peers.lock"
    flock 8
    if [ -L "$peers" ] && [ -d "$peers" ]; then
        :
    elif reachable "$(dirname "$peers")"; then
        [ -L "$peers" ] && rm -f "$peers"
        mkdir -p "$peers"
    else
        rm -rf "$peers"
        target=$(mktemp -d /tmp/kestrova-peers.XXXXXX)
        chmod 755 "$target"
        ln -s "$target" "$peers"
    fi
    flock -u 8
    exec 8>&-
}

down() {
    [ -f "$state/pid" ] || return 0
    local group
    group=$(cat "$state/pid")
    # A pid file that an interrupted run left behind may name a process that
    # ended long ago, and its number may belong to another program now (a
    # peer or a wineserver of another build tree): that one is not ours.
    if [ -f "$state/started" ] && [ -d "/proc/$group" ] && [ "$(started "$group")" != "$(cat "$state/started")" ]; then
        echo "the peer in $state ended before its run did; process $group is another program's and stays" >&2
        rm -f "$state/pid" "$state/started"
        return 0
    fi
    if [ -f "$state/stop" ]; then
        (cd "$state" && PEER_PID=$group PEER_STATE=$state timeout 30 bash -c "$(cat "$state/stop")") >>"$state/output" 2>&1 ||
            echo "the stop command of the peer in $state failed" >&2
    fi
    # A peer in a mount namespace of its own (unshare -m) may have started
    # sessions that left its process group (a login shell, a remote
    # command): they go with it, so nothing of this run waits for the next.
    local namespace p others=()
    namespace=$(readlink "/proc/$group/ns/mnt" 2>/dev/null || true)
    if [ -n "$namespace" ] && [ "$namespace" != "$(readlink /proc/self/ns/mnt)" ]; then
        for p in /proc/[0-9]*; do
            [ "$(readlink "$p/ns/mnt" 2>/dev/null)" = "$namespace" ] && others+=("${p#/proc/}")
        done
    fi
    kill -- -"$group" 2>/dev/null || true
    [ ${#others[@]} -eq 0 ] || kill "${others[@]}" 2>/dev/null || true
    for _ in $(seq 1 100); do
        kill -0 -- -"$group" 2>/dev/null || break
        sleep 0.1
    done
    kill -KILL -- -"$group" 2>/dev/null || true
    for p in "${others[@]}"; do
        [ "$(readlink "/proc/$p/ns/mnt" 2>/dev/null)" = "$namespace" ] && kill -KILL "$p" 2>/dev/null
    done
    rm -f "$state/pid" "$state/started"
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
    peers_folder
    rm -rf "$state"
    mkdir -p "$state"
    cd -P "$state"
    if [ "${#stop[@]}" -gt 0 ]; then
        printf '%q ' "${stop[@]}" >"$state/stop"
    fi
    setsid "$@" </dev/null >"$state/output" 2>&1 &
    echo $! >"$state/pid"
    started $! >"$state/started"
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
