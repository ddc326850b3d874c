#!/usr/bin/env bash
# Configures and builds the project into build/ (or $QLN_BUILD_DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${QLN_BUILD_DIR:-build}
if [ ! -f "$build_dir/build.ninja" ]; then
  cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
fi
cmake --build "$build_dir" -j "$(nproc)"
