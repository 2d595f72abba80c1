#!/bin/bash
# The stop command of a peer fixture, shown on the stubborn peer
# (tools/peers/stubborn_peer.py), whose server ignores SIGTERM and whose
# helper runs in a session of its own.
#   peer_stop_check.sh up <state folder> <port> <helper port>
#       While the fixture runs: both answer, and SIGTERM to the peer's process
#       group leaves both running, as it would leave innd or epmd.
#   peer_stop_check.sh gone <state folder> <port> <helper port>
#       After the fixture's down: neither process is left, neither port answers.
set -euo pipefail
mode=$1
state=$2
port=$3
helper=$4

alive() { [ -f "$state/$1" ] && kill -0 "$(cat "$state/$1")" 2>/dev/null; }
answers() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
fail() {
    echo "$*" >&2
    exit 1
}

case "$mode" in
up)
    exec 3<>"/dev/tcp/127.0.0.1/$port"
    echo ping >&3
    read -r -t 5 reply <&3 || true
    exec 3<&-
    [ "$reply" = pong ] || fail "the server did not answer: '$reply'"
    for _ in $(seq 1 50); do
        answers "$helper" && break
        sleep 0.1
    done
    answers "$helper" || fail "the helper does not listen on $helper"
    kill -- -"$(cat "$state/pid")"
    sleep 0.5
    alive server.pid || fail "the server ended on SIGTERM"
    alive helper.pid || fail "the helper ended on SIGTERM"
    ;;
gone)
    for _ in $(seq 1 50); do
        if ! alive server.pid && ! alive helper.pid && ! answers "$port" && ! answers "$helper"; then
            exit 0
        fi
        sleep 0.1
    done
    alive server.pid && fail "the server is still running"
    alive helper.pid && fail "the helper is still running"
    fail "a port still answers"
    ;;
esac
