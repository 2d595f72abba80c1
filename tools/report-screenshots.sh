#!/bin/bash
# Renders the results page of an audit of this computer and an exception
# report, and takes a screenshot of each in headless Chromium, for a person to
# look at. Not a test: the pages are judged by eye.
#   tools/report-screenshots.sh [output folder]   (default: build/windows/report-screenshots)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(mkdir -p "${1:-$root/build/windows/report-screenshots}" && cd "${1:-$root/build/windows/report-screenshots}" && pwd)

(cd "$root" && cmake --preset windows >/dev/null && cmake --build --preset windows --target render_reports >/dev/null)
prefix="$root/build/windows/wineprefix"
"$root/tools/wine-prefix.sh" up "$prefix" >/dev/null
(cd "$out" && WINEPREFIX="$prefix" WINEDEBUG=-all wine "$root/build/windows/bin/render_reports.exe" results.htm exception-report.htm)

for page in results exception-report; do
    profile=$(mktemp -d)
    chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run --disable-background-networking \
        --disable-component-update --disable-sync --user-data-dir="$profile" \
        --screenshot="$out/$page.png" --window-size=1024,2000 "file://$out/$page.htm" >/dev/null 2>&1
    rm -rf "$profile"
    echo "$out/$page.png"
done
