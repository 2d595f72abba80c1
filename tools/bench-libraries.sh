# shellcheck shell=bash
# shellcheck disable=SC2034  # libs and runs are the caller's
# Sourced by the benchmarks that run one Windows program of this build on its
# netcomp.dll and, by turns, on another build's (socket-turns-bench.sh,
# socket-crowds-bench.sh, ipdaemon-bench.sh).
#   bench_libraries <state folder> <program.exe> <other netcomp.dll, or "">
# Empties the state folder and puts the program beside this build's library
# in <state>/this and, given another, beside that one in <state>/other; sets
# `libs` to the libraries to run (this, or this and other) and, with no
# other, `runs` to 1. Exits with 2 when the other library is missing.
#   bench_order <round> <name...>
# Sets `order` to the names rotated by the round: over as many rounds as
# there are names, each runs first, in every place between and last once, so
# that no build or peer always has the machine cold or warm, or right after
# the same one.
#   bench_whole_rotations <rounds> <names>
# Warns when the rounds do not make whole rotations of that many names.
#   bench_busy <n> / bench_idle
# Starts n busy loops (BUSY=<n> of the benchmarks), and ends them.
bench_libraries() {
    local state=$1 program=$2 other=$3
    local build
    build=$(dirname "$(dirname "$program")")
    [ -z "$other" ] || [ -f "$other" ] || {
        echo "no such file: $other" >&2
        exit 2
    }
    rm -rf "$state"
    mkdir -p "$state/this" "$state/other"
    cp "$program" "$build/bin/netcomp.dll" "$state/this/"
    libs=(this)
    if [ -n "$other" ]; then
        cp "$program" "$state/other/"
        cp "$other" "$state/other/netcomp.dll"
        libs=(this other)
    else
        runs=1
    fi
}

bench_order() {
    local round=$1
    shift
    local names=("$@")
    local n=${#names[@]} i
    order=()
    for ((i = 0; i < n; i++)); do
        order+=("${names[$(((round + i) % n))]}")
    done
}

bench_whole_rotations() {
    [ $(($1 % $2)) = 0 ] ||
        echo "note: $1 rounds are not whole rotations of $2 runs: some run in one place more often" >&2
}

bench_loops=()
bench_busy() {
    for _ in $(seq 1 "$1"); do
        (while :; do :; done) &
        bench_loops+=($!)
    done
}
bench_idle() {
    for pid in "${bench_loops[@]}"; do kill "$pid" 2>/dev/null || true; done
}
