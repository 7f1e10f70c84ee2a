#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan, UBSan) in build-fuzz, replays the
# kept regression inputs, then fuzzes each target for a bounded time.
#   scripts/fuzz.sh [seconds per target, default 30]
# New corpus entries go to build-fuzz/corpus/<target> (the seeds in
# fuzz/corpus stay as they are); a crash leaves its input in
# build-fuzz/findings/<target>.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
scripts/install-deps.sh clang-14 libclang-rt-14-dev

CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVAXO_FUZZ=ON -DVAXO_TESTS=OFF >/dev/null
cmake --build build-fuzz -j2 --target fuzz_engine fuzz_text_file fuzz_read_command \
  fuzz_test_for_dir fuzz_report

export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
for t in engine text_file read_command test_for_dir report; do
  bin="build-fuzz/fuzz/fuzz_$t"
  if compgen -G "fuzz/regressions/$t/*" >/dev/null; then
    echo "=== $t: regressions"
    "$bin" fuzz/regressions/"$t"/* >/dev/null 2>&1 || { echo "regression failed: $t"; status=1; }
  fi
  echo "=== $t: ${seconds}s"
  mkdir -p "build-fuzz/corpus/$t" "build-fuzz/findings/$t"
  if ! "$bin" -max_total_time="$seconds" -max_len=8192 -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="build-fuzz/findings/$t/" -print_final_stats=1 \
      "build-fuzz/corpus/$t" "fuzz/corpus/$t" 2>"build-fuzz/findings/$t.log"; then
    echo "finding in $t: see build-fuzz/findings/$t.log"
    status=1
  fi
  grep -E "stat::number_of_executed_units|Done [0-9]+ runs" "build-fuzz/findings/$t.log" | tail -1
done
exit $status
