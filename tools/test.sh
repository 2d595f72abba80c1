#!/bin/bash
# Sets up, builds and runs every test of both presets in one CTest run, so the
# last line is CTest's "N tests failed out of M".
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
bash tools/format-check.sh
bash tools/build.sh
# One test tree over both build folders.
cat >build/CTestTestfile.cmake <<'CTEST'
subdirs("windows" "native")
CTEST
# In a network namespace of its own when the machine allows it (tools/in-netns.sh).
bash tools/in-netns.sh ctest --test-dir build --output-on-failure -j "$(nproc)" "$@"
