#!/usr/bin/env bash
# Sets everything up, builds everything with warnings as errors, and runs every test (unit,
# scenario, bus, browser and reliability tests) and the style checks, then the same suites
# under the sanitizers and the fuzz targets for a minute each.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
# Warnings fail here and not in scripts/run.sh, so that a newer compiler's new warnings
# cannot stop a first run.
scripts/build.sh -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
cd build
# Tests that need the session bus start their own with dbus-run-session. No tests found is a
# failure: a broken discovery must not pass as an empty suite.
ctest --output-on-failure --no-tests=error -j "$(nproc)" --timeout 300
cd ..
scripts/check-style.sh
# The same suites under AddressSanitizer and UndefinedBehaviorSanitizer, then a minute of
# fuzzing per target. QLN_QUICK=1 leaves both out.
if [ "${QLN_QUICK:-0}" != 1 ]; then
  scripts/test-sanitizers.sh
  scripts/fuzz.sh 60
fi
