#!/bin/bash
# The main job on a fresh machine: audit this computer unattended, as a
# log-on script would (Kestrova.exe /H /S:<folder>), and say where the result
# is and what it holds.
#   tools/audit-this-computer.sh [result folder]   (default: ./kestrova-results)
# Installs and builds what is missing first. No asset server is needed: the
# result is saved, not uploaded. Hidden mode runs only with a configuration
# file in the working folder, so a minimal one (no server, no log) is written
# into the run folder when none is there.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(mkdir -p "${1:-kestrova-results}" && cd "${1:-kestrova-results}" && pwd)

bash "$root/tools/setup.sh"
exe="$root/build/windows/bin/Kestrova.exe"
if [ ! -f "$exe" ]; then
    (cd "$root" && cmake --preset windows >/dev/null && cmake --build --preset windows --target Kestrova)
fi

run="$root/build/windows/audit-run"
prefix="$root/build/windows/wineprefix"
mkdir -p "$run"
if [ ! -f "$run/kestrova.cfg" ]; then
    cat >"$run/kestrova.cfg" <<'CFG'
<?xml version="1.0" encoding="UTF-8"?>
<Kestrova><Ondelmark user="" pwd="" server="" port="80" db=""/><Logging logerrors="0" lognameoption="1" logpath=""/></Kestrova>
CFG
fi

"$root/tools/wine-prefix.sh" up "$prefix" >/dev/null
trap '"$root/tools/wine-prefix.sh" down "$prefix" >/dev/null' EXIT
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
winout=$(cd "$run" && winepath -w "$out")
before=$(date +%s.%N)
(cd "$run" && wine "$exe" /H "/S:$winout" </dev/null >/dev/null 2>&1)
after=$(date +%s.%N)

result=$(ls -t "$out"/*.kes 2>/dev/null | head -n 1 || true)
if [ -z "$result" ]; then
    echo "The audit saved no result in $out." >&2
    exit 1
fi
echo "Result file: $result"
/usr/bin/python3 -c "print('Run time:    %.2f s' % ($after - $before))"
/usr/bin/python3 - "$result" <<'PY'
import sys
import xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
def attr(path, name):
    node = root.find(path)
    return node.get(name, "") if node is not None else ""
print("Computer:    %s (user %s, %s)" % (attr("Description", "name"), attr("Description", "username"),
                                        attr("Description", "type")))
print("System:      Windows %s %s" % (attr("OS", "version"), attr("OS", "sp")))
print("Processor:   %s, %s MHz, %s CPU(s)" % (attr("CPU", "desc"), attr("CPU", "speed"), attr("CPU", "no")))
print("Memory:      %s MB" % attr("Motherboard", "ram"))
print("Drives:      %s" % ", ".join("%s: %s MB free of %s" % (d.get("id"), d.get("freespace"), d.get("totalsize"))
                                  for d in root.iter("Drive")))
print("Adapters:    %d    Software titles: %d    Hotfixes: %d" % (
    len(list(root.find("NetworkAdapters") or [])), len(list(root.find("Software") or [])),
    len(list(root.find("Hotfixes") or []))))
print("Identity:    %s" % (root.findtext("GUID") or ""))
PY
