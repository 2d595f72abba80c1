#!/bin/bash
# Turns a drawing of this folder into the resource the program carries.
#   make-art.sh icon <drawing.svg> <out.ico>
#       one icon with 16, 32 and 48 pixel images (32-bit colour with alpha)
#   make-art.sh bitmap <drawing.svg> <out.bmp> <width> <height> [background]
#       a 24-bit bitmap of that size on white (or on the background colour)
set -euo pipefail
kind=$1 drawing=$2 out=$3
command -v rsvg-convert >/dev/null || { echo "make-art.sh: rsvg-convert missing: run tools/setup.sh" >&2; exit 1; }
command -v convert >/dev/null || { echo "make-art.sh: convert missing: run tools/setup.sh" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
case "$kind" in
icon)
    for size in 16 32 48; do
        rsvg-convert -w "$size" -h "$size" "$drawing" -o "$work/$size.png"
    done
    convert "$work/16.png" "$work/32.png" "$work/48.png" "$out.tmp.ico"
    ;;
bitmap)
    rsvg-convert -w "$4" -h "$5" "$drawing" -o "$work/picture.png"
    convert "$work/picture.png" -background "${6:-white}" -flatten -alpha off -type TrueColor "BMP3:$out.tmp.ico"
    ;;
*)
    echo "usage: $0 icon <svg> <ico> | bitmap <svg> <bmp> <width> <height>" >&2
    exit 2
    ;;
esac
mv "$out.tmp.ico" "$out"
