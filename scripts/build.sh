#!/usr/bin/env bash
# Configures and builds the project into build/ (or $QLN_BUILD_DIR).
#
#   scripts/build.sh [--target NAME]... [cmake arguments...]
#
# Without --target it builds everything. CMake arguments configure the tree, also one that is
# already configured (CMake keeps what earlier runs set and was not given again).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/compiler-cache.sh
build_dir=${QLN_BUILD_DIR:-build}
targets=()
cmake_args=()
while [ $# -gt 0 ]; do
  case $1 in
    --target)
      [ $# -ge 2 ] || { echo "build.sh: --target needs a target name" >&2; exit 2; }
      targets+=(--target "$2")
      shift 2
      ;;
    *)
      cmake_args+=("$1")
      shift
      ;;
  esac
done
if [ ! -f "$build_dir/build.ninja" ]; then
  cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${cmake_args[@]}"
elif [ ${#cmake_args[@]} -gt 0 ]; then
  cmake -S . -B "$build_dir" "${cmake_args[@]}"
fi
cmake --build "$build_dir" -j "$(nproc)" "${targets[@]}"
