#!/usr/bin/env bash
# Sets everything up, builds the program, and serves the settings in a browser on the default
# device. Only the program is built here: the tests and benchmarks are the test command's.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh --target quillane
exec build/src/quillane serve "$@"
