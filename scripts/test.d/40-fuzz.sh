#!/usr/bin/env bash
# Fuzz stage: builds the libFuzzer targets (fuzz/) with clang, AddressSanitizer
# and UndefinedBehaviorSanitizer in build-fuzz, and runs each in turn for
# ZT_FUZZ_SECONDS seconds (default 60), starting from its committed corpus in
# fuzz/corpus/<target>. New inputs collect in build-fuzz/corpus/<target>, so
# later runs go on from them; the committed corpus is never written. Any
# finding (a broken promise, a sanitizer report, a crash, a timeout, running
# out of memory) fails the stage and leaves the input in
# build-fuzz/findings/<target>/.
#   ZT_FUZZ_SECONDS=600 scripts/test.d/40-fuzz.sh     # ten minutes per target
#   ZT_FUZZ_TARGETS="decode" scripts/test.d/40-fuzz.sh
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$root"
build=build-fuzz
seconds="${ZT_FUZZ_SECONDS:-60}"
targets="${ZT_FUZZ_TARGETS:-decode encode stream}"

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DZT_BUILD_FUZZERS=ON \
  -DZT_BUILD_TESTS=OFF -DZT_BUILD_TOOLS=OFF -DZT_BUILD_BENCH=OFF -DZT_BUILD_EXAMPLES=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target zt_fuzzers

# Longest useful input of each target: the state block and a full frame
# (decode), the state block and 481 samples (encode), a stream of frames.
max_len() {
  case "$1" in
    decode) echo 640 ;;
    encode) echo 1100 ;;
    *) echo 8192 ;;
  esac
}

export ASAN_OPTIONS="abort_on_error=1:detect_leaks=1:symbolize=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
status=0
for target in $targets; do
  work="$build/corpus/$target"
  findings="$build/findings/$target"
  log="$build/fuzz-$target.log"
  mkdir -p "$work" "$findings"
  echo "fuzz_$target: ${seconds}s from fuzz/corpus/$target"
  if "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -max_len="$(max_len "$target")" \
    -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/" \
    "$work" "fuzz/corpus/$target" >"$log" 2>&1; then
    done_line="$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -1 || true)"
    execs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")"
    echo "  clean: $execs executions; ${done_line#*DONE }"
  else
    status=1
    echo "  FINDING (log $log):"
    grep -E -A25 'broken promise|ERROR: |runtime error|Timeout|out-of-memory' "$log" | head -60 || tail -40 "$log"
    ls -1 "$findings" | sed 's/^/  input: /'
    echo "  To keep it as a regression input: cp <input> fuzz/corpus/$target/finding-<what>;"
    echo "  $build/fuzz/fuzz_$target <input> reproduces it."
  fi
done
exit "$status"
