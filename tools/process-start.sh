# Sourced by the test scripts: what they need to know of the processes they
# meet, their start times and a prefix's wineserver.
#
# started PID prints when the process started, in
# clock ticks since boot (the 22nd field of its stat line, after the command
# name in parentheses, which may hold blanks), or nothing when it is gone. A
# pid file kept with its start time names that process and no later one.
started() {
    local line
    line=$(cat "/proc/$1/stat" 2>/dev/null) || return 0
    line=${line##*) }
    set -- $line
    echo "${20}"
}

# prefix_server_pid PREFIX prints the pid of the prefix's wineserver, or
# nothing: the process whose current folder is the server folder,
# server-<device>-<inode> of the prefix. Debian's Wine keeps that below a
# folder of /tmp whose name the file "wineserver" of the prefix holds; Wine's
# own below /tmp/.wine-<uid>.
prefix_server_pid() {
    local prefix=$1 base dev ino folder p
    if [ -f "$prefix/wineserver" ]; then
        base=/tmp/$(cat "$prefix/wineserver" 2>/dev/null)
    else
        base=/tmp/.wine-$(id -u)
    fi
    read -r dev ino < <(stat -c '%d %i' "$prefix")
    folder=$base/server-$(printf '%x-%x' "$dev" "$ino")
    for p in /proc/[0-9]*; do
        case "$(cat "$p/comm" 2>/dev/null)" in
        wineserver*) [ "$(readlink "$p/cwd" 2>/dev/null)" = "$folder" ] && echo "${p#/proc/}" && return 0 ;;
        esac
    done
    return 0
}
