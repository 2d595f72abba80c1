#!/bin/bash
# Speed of the main job under Wine (a measurement, not a test): the wall
# time of whole hidden runs `Kestrova.exe /H /S:<folder>`, and the audit
# alone as the in-process timer reports it.
#   tools/speed-hidden-run.sh [runs]   (default 10; needs build/windows)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-10}
bin="$root/build/windows/bin"
prefix="$root/build/windows/wineprefix"
work="$root/build/windows/speed-run"
(cd "$root" && cmake --build --preset windows --target Kestrova kes_audit_timer >/dev/null)
mkdir -p "$work/out"
"$root/tools/minimal-config.sh" "$work"
"$root/tools/wine-prefix.sh" up "$prefix" >/dev/null
trap '"$root/tools/wine-prefix.sh" down "$prefix" >/dev/null' EXIT
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cd "$work"
out=$(winepath -w "$work/out")
wine "$bin/Kestrova.exe" /H "/S:$out" </dev/null >/dev/null 2>&1 # warm-up
times=()
for i in $(seq 1 "$runs"); do
    start=$(date +%s%N)
    wine "$bin/Kestrova.exe" /H "/S:$out" </dev/null >/dev/null 2>&1
    end=$(date +%s%N)
    times+=($(((end - start) / 1000000)))
done
echo "Kestrova.exe /H /S: wall times (ms): ${times[*]}"
printf '%s\n' "${times[@]}" | /usr/bin/python3 -c "
import statistics, sys
t = [int(x) for x in sys.stdin]
print('whole run: mean %.0f ms, median %.0f ms, min %d ms, max %d ms' % (statistics.mean(t), statistics.median(t), min(t), max(t)))"
wine "$bin/kes_audit_timer.exe" "$runs" </dev/null 2>/dev/null | tail -n 1
