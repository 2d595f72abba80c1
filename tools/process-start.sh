# Sourced by the test scripts: started PID prints when the process started, in
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
