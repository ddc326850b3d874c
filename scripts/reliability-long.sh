#!/usr/bin/env bash
# The reliability runs at length, on demand: many more kills (with a fresh seed unless
# QLN_CRASH_SEED is given), a longer concurrent reader, more malformed requests, and ten minutes
# of fuzzing per target. Figures go to build/reliability/ and build-fuzz/fuzz-figures.md.
#
#   scripts/reliability-long.sh            # about an hour on two cores
#   QLN_CRASH_KILLS=500 QLN_FUZZ_SECONDS=120 scripts/reliability-long.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
export QLN_CRASH_KILLS=${QLN_CRASH_KILLS:-2000}
export QLN_CRASH_SEED=${QLN_CRASH_SEED:-$(( (RANDOM << 15) | RANDOM ))}
export QLN_READER_WRITES=${QLN_READER_WRITES:-100000}
export QLN_WEB_REQUESTS=${QLN_WEB_REQUESTS:-10000}
echo "reliability-long: crash seed $QLN_CRASH_SEED"
build/tests/reliability/test_reliability \
  --gtest_filter='CrashConsistency*:ConcurrentReader*:WebHostAbuse*'
scripts/fuzz.sh "${QLN_FUZZ_SECONDS:-600}"
cat build/reliability/*.md build-fuzz/fuzz-figures.md
