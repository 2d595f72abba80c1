#!/bin/bash
# Builds the SDK's C examples with nothing but the SDK folder, then runs them
# under Wine: the Ping example pings the loopback; the HTTP example, given a
# URL on a loopback peer and the file the peer serves there, downloads it and
# the copy is compared with the original.
#   sdk-example.sh <sdk folder> <wine prefix> <work folder> [<url> <served file>]
set -euo pipefail
sdk=$1 prefix=$2 work=$3
url=${4:-} served=${5:-}
build="$work-build"
rm -rf "$build"
mkdir -p "$build"
for example in ping_example http_example; do
    x86_64-w64-mingw32-gcc -std=c99 -Wall -Wextra -Werror -I"$sdk/include" "$sdk/example/$example.c" \
        -L"$sdk/lib" -lnetcomp -o "$build/$example.exe"
done
cp "$sdk/bin/netcomp.dll" "$build/"
run="$(dirname "$0")/wine-run.sh"
"$run" "$prefix" "$work" "$build/ping_example.exe" 127.0.0.1
if [ -n "$url" ]; then
    "$run" "$prefix" "$work-http" "$build/http_example.exe" "$url" download.bin
    cmp "$served" "$work-http/download.bin"
    echo "http_example: the download matches $served"
fi
