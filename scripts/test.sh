#!/usr/bin/env bash
# Sets everything up, builds, and runs every test (unit, scenario, bus, browser and reliability
# tests), then the same suites under the sanitizers and the fuzz targets for a minute each.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
cd build
# Tests that need the session bus start their own with dbus-run-session.
ctest --output-on-failure -j "$(nproc)" --timeout 300
cd ..
# The same suites under AddressSanitizer and UndefinedBehaviorSanitizer, then a minute of
# fuzzing per target. QLN_QUICK=1 leaves both out.
if [ "${QLN_QUICK:-0}" != 1 ]; then
  scripts/test-sanitizers.sh
  scripts/fuzz.sh 60
fi
