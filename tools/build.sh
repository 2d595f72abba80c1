#!/bin/bash
# Configures and builds both presets: the Windows programs (build/windows) and
# the portable code with clang (build/native).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
for preset in windows native; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
done
