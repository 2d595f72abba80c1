#!/bin/bash
# Builds the SDK's C example with nothing but the SDK folder, then pings the
# loopback with it under Wine.
#   sdk-example.sh <sdk folder> <wine prefix> <work folder>
set -euo pipefail
sdk=$1 prefix=$2 work=$3
build="$work-build"
rm -rf "$build"
mkdir -p "$build"
x86_64-w64-mingw32-gcc -std=c99 -Wall -Wextra -Werror -I"$sdk/include" "$sdk/example/ping_example.c" \
    -L"$sdk/lib" -lnetcomp -o "$build/ping_example.exe"
cp "$sdk/bin/netcomp.dll" "$build/"
exec "$(dirname "$0")/wine-run.sh" "$prefix" "$work" "$build/ping_example.exe" 127.0.0.1
