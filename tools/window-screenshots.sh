#!/bin/bash
# Opens every window of the program (and the picture button's test dialog) at
# 96 and at 144 dpi and writes a PNG of each (<dpi>-<window>.png), for a
# person to look at. Not a test.
#   tools/window-screenshots.sh [output folder]   (default: build/windows/window-screenshots)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(mkdir -p "${1:-$root/build/windows/window-screenshots}" && cd "${1:-$root/build/windows/window-screenshots}" && pwd)

(cd "$root" && cmake --preset windows >/dev/null && cmake --build --preset windows --target window_shots >/dev/null)
# A service that is no web server on the loopback port that the program's
# upload and credential test are pointed at (kBannerPort of WindowShots.cpp).
/usr/bin/python3 "$root/tools/peers/banner_server.py" "20659=SSH-2.0-OpenSSH_9.2p1 Debian-2+deb12u3" &
banner=$!
trap 'kill $banner 2>/dev/null || true' EXIT
for dpi in 96 144; do
    prefix="$root/build/windows/wineprefix-shots-$dpi"
    "$root/tools/wine-prefix.sh" up-gui "$prefix" "$dpi" >/dev/null
    work=$(mktemp -d)
    (cd "$work" && WINEPREFIX="$prefix" DISPLAY=$(cat "$prefix/.kes-display") WINEDEBUG=-all \
        WINEDLLOVERRIDES="mscoree,mshtml=" wine "$root/build/windows/bin/window_shots.exe" >/dev/null) || true
    "$root/tools/wine-prefix.sh" down "$prefix"
    for shot in "$work"/*.bmp; do
        [ -e "$shot" ] || continue
        name=$(basename "$shot" .bmp)
        convert "$shot" "$out/$dpi-$name.png"
        echo "$out/$dpi-$name.png"
    done
    rm -rf "$work"
done
