#!/usr/bin/env bash
# Builds the project with AddressSanitizer and UndefinedBehaviorSanitizer in build-asan/ and runs
# the unit, scenario and reliability tests there (the browser tests run in the normal build).
# Any report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/compiler-cache.sh
# Configured on every run, so that a tree configured before gets today's settings too. -O1: the
# sanitizers' usual level, quicker to build than an optimised build and quicker to run than an
# unoptimised one. -g1: line tables, all a sanitizer's report needs, in two thirds to three
# quarters of the compile time of full debug information.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g1 -O1" \
  -DQLN_SANITIZE=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON -DCMAKE_COMPILE_WARNING_AS_ERROR=ON \
  >/dev/null
cmake --build build-asan -j "$(nproc)"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# libvips and GLib (themes from images, wallpapers) are not instrumented and keep their types and
# thread pools for the life of the process; only they are let off, every other leak stays fatal.
export LSAN_OPTIONS=suppressions=$PWD/fuzz/lsan-image.supp
# The reliability figures come from the normal build; here shorter runs look for memory faults.
export QLN_CRASH_KILLS=${QLN_CRASH_KILLS:-50}
# Events take several times longer here: kills wait longer, to land in the middle of work.
export QLN_CRASH_WINDOW_MS=${QLN_CRASH_WINDOW_MS:-2500}
export QLN_READER_WRITES=${QLN_READER_WRITES:-2000}
export QLN_WEB_REQUESTS=${QLN_WEB_REQUESTS:-300}
cd build-asan
ctest --output-on-failure --no-tests=error -j "$(nproc)" --timeout 600 -E 'browser|web_ui'
