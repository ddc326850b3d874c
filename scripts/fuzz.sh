#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# in build-fuzz/ and runs each for the given number of seconds (default 60), two at a time.
#
#   scripts/fuzz.sh [seconds-per-target] [target...]
#
# Each target starts from its seed corpus in fuzz/corpus/<target>/ and keeps what it finds in
# build-fuzz/corpus/<target>/. A crash leaves its input in build-fuzz/crashes/ and fails the
# script; add such an input to fuzz/corpus/<target>/ once it is fixed. Executions per target
# go to build-fuzz/fuzz-figures.md.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/compiler-cache.sh
seconds=${1:-60}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(property_list colour_value exchange_import page_layout session_events image_theme)
fi

if [ ! -f build-fuzz/build.ninja ]; then
  CC=clang CXX=clang++ cmake -S fuzz -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build build-fuzz -j "$(nproc)" --target "${targets[@]/#/fuzz_}"

mkdir -p build-fuzz/crashes build-fuzz/logs
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# libvips and GLib are not instrumented and keep their types and thread pools for the life of the
# process; only they are let off, every other leak stays fatal.
export LSAN_OPTIONS=suppressions=$PWD/fuzz/lsan-image.supp

run_target() {
  local target=$1 corpus=build-fuzz/corpus/$1 dict=""
  mkdir -p "$corpus"
  [ -f "fuzz/dictionaries/$target.dict" ] && dict="-dict=fuzz/dictionaries/$target.dict"
  # The first folder collects new inputs; the committed seeds are only read.
  if build-fuzz/fuzz_"$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -max_len=65536 -print_final_stats=1 $dict \
      -artifact_prefix=build-fuzz/crashes/"$target"- "$corpus" fuzz/corpus/"$target" \
      >build-fuzz/logs/"$target".log 2>&1; then
    echo "$target: $(grep -m1 -o 'stat::number_of_executed_units: [0-9]*' build-fuzz/logs/"$target".log | grep -o '[0-9]*$') executions in ${seconds} s"
  else
    echo "$target: FAILED, see build-fuzz/logs/$target.log"
    tail -n 40 build-fuzz/logs/"$target".log >&2
    return 1
  fi
}
export -f run_target
export seconds

status=0
printf '%s\n' "${targets[@]}" | xargs -P 2 -I{} bash -c 'run_target {}' >build-fuzz/fuzz-figures.md || status=1
cat build-fuzz/fuzz-figures.md
exit $status
