#!/bin/bash
# Sets up, builds and runs every test of both presets in one CTest run, so the
# last line is CTest's "N tests failed out of M".
set -euo pipefail
cd "$(dirname "$0")/.."
# What the run creates (build folders, the peers' state) is for the test
# servers' users to read too.
umask 022
bash tools/setup.sh
bash tools/format-check.sh
bash tools/build.sh
# Tools that keep state of their own between runs start from none: net-snmp's
# first run on a machine, for one, says so on standard error.
rm -rf build/first-run
mkdir -p build/first-run
export SNMP_PERSISTENT_DIR=$PWD/build/first-run/snmp
# One test tree over both build folders.
cat >build/CTestTestfile.cmake <<'CTEST'
subdirs("windows" "native")
CTEST
# In a network namespace of its own when the machine allows it (tools/in-netns.sh).
bash tools/in-netns.sh ctest --test-dir build --output-on-failure -j "$(nproc)" "$@"
