#!/usr/bin/env bash
# Sets everything up, builds, and runs every test (unit, scenario, bus and browser tests).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
cd build
# Tests that need the session bus start their own with dbus-run-session.
ctest --output-on-failure -j "$(nproc)" --timeout 300
