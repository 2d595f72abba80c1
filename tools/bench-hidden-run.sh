#!/bin/bash
# The main job beside fusioninventory-agent, in one run on this machine: the
# whole process `Kestrova.exe /H /S:<folder>` (Wine warm, a persistent
# wineserver) and `fusioninventory-agent --local <folder>`, each timed as a
# whole (wall time and peak memory), first as the machine is, then with
# 5,000 installed programs on both sides: 5,000 Uninstall entries in a Wine
# prefix of the benchmark's own, and a dpkg database of 5,000 packages that
# the agent reads through DPKG_ADMINDIR (the real one is left alone).
#   tools/bench-hidden-run.sh [runs]   (default 10; needs build/windows)
# Prints median and best wall time, peak memory and the ratio Kestrova / agent.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-10}
build=$root/build/windows
work=$build/bench-hidden-run
prefix=$build/bench-prefix
(cd "$root" && cmake --build --preset windows --target Kestrova >/dev/null)
command -v fusioninventory-agent >/dev/null || bash "$root/tools/setup.sh"
rm -rf "$work"
mkdir -p "$work/kes-out" "$work/agent-out" "$work/dpkg"
"$root/tools/minimal-config.sh" "$work"

"$root/tools/wine-prefix.sh" up "$prefix" >/dev/null
trap '"$root/tools/wine-prefix.sh" down "$prefix" >/dev/null' EXIT
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
uninstall='HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall'
(cd / && wine reg delete "$uninstall" /f >/dev/null 2>&1) || true
(cd / && wine reg add "$uninstall" /f >/dev/null 2>&1)
out=$(winepath -w "$work/kes-out")

# "<wall seconds> <peak KB>" of one command.
measure() {
    /usr/bin/time -q -f '%e %M' -o "$work/time" "$@" </dev/null >/dev/null 2>&1 || true
    cat "$work/time"
}

# Median and best wall time and the largest peak memory of $runs runs.
series() {
    "$@" >/dev/null 2>&1 || true # warm-up
    for _ in $(seq 1 "$runs"); do
        measure "$@"
    done | /usr/bin/python3 -c '
import statistics, sys
rows = [line.split() for line in sys.stdin if line.strip()]
wall = [float(r[0]) for r in rows]
print("%.3f %.3f %d" % (statistics.median(wall), min(wall), max(int(r[1]) for r in rows)))'
}

cd "$work"
kestrova=(wine "$build/bin/Kestrova.exe" /H "/S:$out")
agent=(fusioninventory-agent --local "$work/agent-out")

report() {
    local label=$1 kes=$2 fi=$3
    /usr/bin/python3 - "$label" $kes $fi <<'PY'
import sys
label = sys.argv[1]
k_med, k_best, k_mem, a_med, a_best, a_mem = map(float, sys.argv[2:])
print("%s" % label)
print("  Kestrova.exe /H /S:          median %6.3f s  best %6.3f s  peak %6.1f MB" % (k_med, k_best, k_mem / 1024))
print("  fusioninventory-agent --local median %6.3f s  best %6.3f s  peak %6.1f MB" % (a_med, a_best, a_mem / 1024))
print("  ratio Kestrova / agent: time %.2f (median), memory %.2f" % (k_med / a_med, k_mem / a_mem))
PY
}

count_titles() { /usr/bin/python3 -c '
import glob, sys, xml.etree.ElementTree as ET
f = sorted(glob.glob(sys.argv[1] + "/*.kes"))[-1]
print(len(list(ET.parse(f).getroot().find("Software") or [])))' "$work/kes-out"; }

packages=$(dpkg-query -W -f='.\n' | wc -l)
report "As the machine is ($packages dpkg packages; the Wine prefix lists no programs):" \
    "$(series "${kestrova[@]}")" "$(series "${agent[@]}")"
echo "  Software titles in the result: $(count_titles)"

# 5,000 programs on both sides.
/usr/bin/python3 - "$work/programs.reg" <<'PY'
import sys
with open(sys.argv[1], "w", encoding="utf-16") as reg:
    reg.write("Windows Registry Editor Version 5.00\r\n\r\n")
    for i in range(5000):
        key = "{%08X-0000-4000-8000-%012X}" % (i, i)
        reg.write("[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\%s]\r\n" % key)
        reg.write('"DisplayName"="Program %04d of Maker %d"\r\n' % (i, i % 50))
        reg.write('"DisplayVersion"="%d.%d.%d"\r\n' % (i % 7, i % 13, i))
        reg.write('"Publisher"="Maker %d Ltd."\r\n\r\n' % (i % 50))
PY
wine regedit /s "$(winepath -w "$work/programs.reg")"
cp -r /var/lib/dpkg/. "$work/dpkg/"
/usr/bin/python3 - "$work/dpkg/status" "$packages" <<'PY'
import sys
path, have = sys.argv[1], int(sys.argv[2])
with open(path, "a") as status:
    for i in range(5000 - have):
        status.write("\nPackage: bench-program-%04d\nStatus: install ok installed\nPriority: optional\n"
                     "Section: misc\nInstalled-Size: %d\nMaintainer: Maker %d <maker%d@example.test>\n"
                     "Architecture: all\nVersion: %d.%d-%d\nDescription: benchmark program %d\n"
                     % (i, 10 + i % 900, i % 50, i % 50, i % 7, i % 13, i, i))
PY
export DPKG_ADMINDIR="$work/dpkg"
packages=$(dpkg-query -W -f='.\n' | wc -l)
report "With 5,000 installed programs ($packages dpkg packages; 5,000 Uninstall entries):" \
    "$(series "${kestrova[@]}")" "$(series "${agent[@]}")"
echo "  Software titles in the result: $(count_titles)"
