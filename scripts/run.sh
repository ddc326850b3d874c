#!/usr/bin/env bash
# Sets everything up, builds, and serves the settings in a browser on the default device.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
exec build/src/quillane serve "$@"
