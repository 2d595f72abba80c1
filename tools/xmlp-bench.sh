#!/bin/bash
# The XMLp benchmark: XMLp (under Wine) and expat parse the same 50 MB
# document from a file in the same run, each with its events counted by a
# handler and with none.
#   tools/xmlp-bench.sh [<MB>]          (after tools/build.sh)
# Prints both times and the ratio XMLp / expat for each case.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/windows
state=$build/bench-xmlp
prefix=$build/wineprefix
size=${1:-50}
mkdir -p "$state"
doc=$state/doc.xml
/usr/bin/python3 - "$doc" "$size" <<'PY'
import sys
path, mb = sys.argv[1], int(sys.argv[2])
item = ('<item id="{0}" kind="file"><name>file {0} &amp; more</name><size>{1}</size>'
        '<note>plain text that a parser moves through in one run</note><flags a="1" b="2"/></item>\n')
with open(path, "w") as f:
    f.write('<?xml version="1.0" encoding="utf-8"?>\n<catalog xmlns="urn:kes:bench">\n')
    n, written = 0, 0
    while written < mb << 20:
        line = item.format(n, n * 7)
        f.write(line)
        written += len(line)
        n += 1
    f.write("</catalog>\n")
PY
expat=$("$root/build/native/bin/expat_file_bench" "$doc" 3)
ours=$("$root/tools/wine-run.sh" "$prefix" "$state/work" "$build/bin/xmlp_file_bench.exe" "$(winepath -w "$doc" 2>/dev/null || echo "Z:$doc")" 3)
echo "$expat"
echo "$ours"
field() { echo "$1" | awk -v k="$2" '$1 == k {print $2}'; }
ratio() { awk -v l="$1" -v a="$2" -v b="$3" 'BEGIN {printf "%-28s XMLp %.3f s, expat %.3f s, ratio %.2f\n", l, a, b, a / b}'; }
ratio "$size MB, events counted:" "$(field "$ours" xmlp-events)" "$(field "$expat" expat-events)"
ratio "$size MB, no handlers:" "$(field "$ours" xmlp-silent)" "$(field "$expat" expat-silent)"
