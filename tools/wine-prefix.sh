#!/bin/bash
# Brings the build tree's private Wine prefix up or down for a test run.
#   wine-prefix.sh up <prefix>      non-GUI prefix: graphics driver "null"
#   wine-prefix.sh ready <prefix>   makes the prefix as "up" does, unless it
#                                   is made already, and leaves no server
#                                   running (a program run without the test
#                                   set-up)
#   wine-prefix.sh up-gui <prefix> [dpi] [keeper.exe]
#                                   GUI prefix: X11 driver on a private Xvfb,
#                                   the screen at dpi dots per inch (96); with
#                                   keeper.exe (tools/desktop-keeper.cpp) one
#                                   desktop serves every program until "down"
#   wine-prefix.sh down <prefix>    stop its wineserver (and Xvfb)
# The prefix is made once (wineboot takes ~12 s) and kept in the build tree.
# "up" leaves one persistent wineserver running so that each test program
# starts quickly; "down" stops it.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/process-start.sh"
action=$1
prefix=$2
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

make_prefix() {
    [ -f "$prefix/.kes-ready" ] && return 0
    mkdir -p "$prefix"
    wineboot -i >/dev/null 2>&1
    wineserver -w
    # The administrative share of this machine, as a remote audit of the
    # machine's own name or of localhost reaches it.
    for host in localhost "$(hostname)" "$(hostname | tr a-z A-Z)" "$(hostname | tr A-Z a-z)"; do
        mkdir -p "$prefix/dosdevices/unc/$host"
        ln -sfn ../../c: "$prefix/dosdevices/unc/$host/c\$"
    done
    # A crashing test program must end, not wait on a crash dialog.
    (cd / && wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1) || true
    touch "$prefix/.kes-ready"
}

# `reg` must not find a reg.exe in the current folder. A Wine program whose
# wineserver goes away while it starts ends at once, and a set-up run again
# and again, back to back, once met that: a failure says how the program
# ended and which server runs, and the setting is tried again. Wine's words
# go to a file, not a pipe: the service processes that the command may start
# outlive it and would hold a pipe (and the lock) open.
reg_add() {
    local attempt words status server
    words=$(mktemp)
    for attempt in 1 2 3; do
        (cd / && exec wine reg add "$@" /f) </dev/null >/dev/null 2>"$words" 9>&- && { rm -f "$words"; return 0; }
        status=$?
        server=$(prefix_server_pid "$prefix")
        if [ -n "$server" ]; then
            server="wineserver $server, $(grep '^State:' "/proc/$server/status" 2>/dev/null | cut -f2)"
        fi
        echo "wine reg add $* failed (try $attempt of 3): exit status $status," \
            "$([ -s "$words" ] && tr '\n' ' ' <"$words" || echo 'no output');" "${server:-no wineserver runs}" >&2
        sleep 1
    done
    rm -f "$words"
    return 1
}

# One persistent wineserver, and Wine's service processes started now with
# their output going nowhere (started by a test, they would hold its pipes).
start_server() {
    wineserver -p </dev/null >/dev/null 2>&1 9>&-
    wine wineboot </dev/null >/dev/null 2>&1 9>&- || true
}

case "$action" in
up | ready)
    unset DISPLAY
    exec 9>"$prefix.lock"
    flock 9
    # Two programs that find the prefix missing at once both come here: the
    # second must not restart the server under the first.
    if [ "$action" = ready ] && [ -f "$prefix/.kes-ready" ]; then
        exit 0
    fi
    make_prefix
    reg_add 'HKCU\Software\Wine\Drivers' /v Graphics /d null
    # A running wineserver keeps the old driver setting: restart it.
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    rm -f "$prefix/.kes-display"
    # A program run without the test set-up gets no persistent server: its
    # own Wine start makes one that ends with it. Wine's sockets are made by
    # the server, so a server left running would serve the next run, made in
    # another network namespace, from this one's loopback.
    [ "$action" = ready ] && exit 0
    start_server
    ;;
up-gui)
    exec 9>"$prefix.lock"
    flock 9
    # One display for every run in this prefix. Xvfb picks a free number
    # itself and writes it once it listens, so two prefixes brought up at
    # the same time never take the same one.
    rm -f "$prefix.display-number"
    Xvfb -displayfd 8 -screen 0 1024x768x24 -nolisten tcp </dev/null >/dev/null 2>&1 9>&- 8>"$prefix.display-number" &
    echo $! >"$prefix.xvfb-pid"
    started $! >"$prefix.xvfb-started"
    for _ in $(seq 1 100); do [ -s "$prefix.display-number" ] && break; sleep 0.1; done
    [ -s "$prefix.display-number" ] || { echo "Xvfb did not start" >&2; exit 1; }
    display=":$(tr -dc 0-9 <"$prefix.display-number")"
    export DISPLAY="$display"
    make_prefix
    (cd / && wine reg delete 'HKCU\Software\Wine\Drivers' /v Graphics /f >/dev/null 2>&1) || true
    reg_add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "${3:-96}"
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    echo "$display" >"$prefix/.kes-display"
    start_server
    if [ -n "${4:-}" ]; then
        rm -f "$prefix/desktop-ready"
        # Nothing of the set-up's output may stay open in it: CTest waits for that.
        (cd "$prefix" && exec wine "$4") </dev/null >/dev/null 2>&1 9>&- &
        for _ in $(seq 1 1200); do [ -f "$prefix/desktop-ready" ] && break; sleep 0.1; done
        [ -f "$prefix/desktop-ready" ] || { echo "the desktop keeper did not start" >&2; exit 1; }
    fi
    ;;
down)
    wineserver -k 2>/dev/null || true
    # The next "up" of this prefix must not meet a server still ending.
    wineserver -w 2>/dev/null || true
    if [ -f "$prefix.xvfb-pid" ]; then
        # Left by an interrupted run, the number may be another program's now.
        xvfb=$(cat "$prefix.xvfb-pid")
        if [ "$(started "$xvfb")" = "$(cat "$prefix.xvfb-started" 2>/dev/null)" ]; then
            kill "$xvfb" 2>/dev/null || true
        fi
        rm -f "$prefix.xvfb-pid" "$prefix.xvfb-started" "$prefix/.kes-display"
    fi
    ;;
*)
    echo "usage: $0 up|ready|up-gui|down <prefix>" >&2
    exit 2
    ;;
esac
