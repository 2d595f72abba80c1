#!/bin/bash
# The main job on a fresh machine: audit this computer unattended, as a
# log-on script would (Kestrova.exe /H /S:"<folder>"), and say where the
# result is, what it holds and which audit engine ran.
#   tools/audit-this-computer.sh [result folder]   (default: ./kestrova-results)
# Installs and builds what is missing first. No asset server is needed: the
# result is saved, not uploaded. Hidden mode runs only with a configuration
# file in the working folder, so a minimal one (no server, no log) is written
# into the run folder when none is there. The script ends with the program's
# exit code (the README lists them). A result folder that the script makes
# inside the clone is kept out of git (tools/result-folder.sh).
#
# The command line goes through a batch file, as a log-on script writes it:
# started directly, Wine would quote the whole "/S:..." argument of a folder
# with blanks, and the program rightly ends an unquoted value at the first
# blank. The folder reaches the batch file through the environment, which
# Wine hands over in Unicode (a batch file's own bytes are read in the OEM
# code page). A folder whose name the program's ANSI code page cannot spell
# is reached through a link with a plain name.
#
# KES_PREFIX_UP=1: the build tree's Wine prefix is up already (a test run);
# leave it as it is. KES_RUN_FOLDER: the folder to run in, with its own
# kestrova.cfg, instead of build/windows/audit-run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$("$root/tools/result-folder.sh" "${1:-kestrova-results}" "$root")

bash "$root/tools/setup.sh"
exe="$root/build/windows/bin/Kestrova.exe"
if [ ! -f "$exe" ]; then
    (cd "$root" && cmake --preset windows >/dev/null && cmake --build --preset windows --target Kestrova)
fi

run="${KES_RUN_FOLDER:-$root/build/windows/audit-run}"
prefix="$root/build/windows/wineprefix"
mkdir -p "$run"
"$root/tools/minimal-config.sh" "$run"

if [ "${KES_PREFIX_UP:-}" != 1 ]; then
    "$root/tools/wine-prefix.sh" up "$prefix" >/dev/null
    trap '"$root/tools/wine-prefix.sh" down "$prefix" >/dev/null' EXIT
fi
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

folder="$out"
if ! printf '%s' "$out" | iconv -f UTF-8 -t CP1252 >/dev/null 2>&1; then
    folder="$run/result-folder"
    ln -sfn "$out" "$folder"
fi
KES_EXE=$(winepath -w "$exe")
KES_OUT=$(winepath -w "$folder")
export KES_EXE KES_OUT
printf '@echo off\r\n"%%KES_EXE%%" /H /S:"%%KES_OUT%%"\r\nexit /b %%errorlevel%%\r\n' >"$run/audit.bat"

before=$(date +%s.%N)
status=0
(cd "$run" && wine cmd /c audit.bat </dev/null >/dev/null 2>&1) || status=$?
after=$(date +%s.%N)

case "$status" in
0) meaning="result saved" ;;
1) meaning="no usable configuration" ;;
2) meaning="the audit did not run to its end" ;;
3) meaning="the result could not be saved" ;;
4) meaning="the upload failed" ;;
*) meaning="the program ended abnormally" ;;
esac
result=$(ls -t "$out"/*.kes 2>/dev/null | head -n 1 || true)
if [ "$status" -ne 0 ] || [ -z "$result" ]; then
    echo "The audit saved no result in $out (exit code $status: $meaning)." >&2
    [ "$status" -ne 0 ] && exit "$status"
    exit 1
fi
echo "Result file: $result"
/usr/bin/python3 -c "print('Run time:    %.2f s (exit code $status: $meaning)' % ($after - $before))"
/usr/bin/python3 - "$result" <<'PY'
import sys
import xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
def attr(path, name):
    node = root.find(path)
    return node.get(name, "") if node is not None else ""
# Only the WMI engine reads the BIOS and the maker; the Win32/registry engine
# leaves them empty.
wmi = any(attr(path, name) for path, name in (("BIOS", "desc"), ("BIOS", "mfg"), ("Description", "mfg")))
print("Engine:      %s" % ("WMI" if wmi else "Win32/registry (WMI was not usable)"))
print("Computer:    %s (user %s, %s)" % (attr("Description", "name"), attr("Description", "username"),
                                        attr("Description", "type")))
if wmi:
    print("Maker:       %s %s, BIOS %s %s" % (attr("Description", "mfg"), attr("Description", "model"),
                                            attr("BIOS", "mfg"), attr("BIOS", "version")))
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
