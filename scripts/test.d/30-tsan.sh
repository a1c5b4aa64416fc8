#!/usr/bin/env bash
# ThreadSanitizer stage: builds the library and the concurrency test with
# -fsanitize=thread in build-tsan and runs it: several threads code many
# independent streams of every type at once, and decode shared frames at
# once. Any data race report fails the stage.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$root"
build=build-tsan

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZT_SANITIZE=thread \
  -DZT_BUILD_TOOLS=OFF -DZT_BUILD_BENCH=OFF -DZT_BUILD_EXAMPLES=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target hardening_concurrency_test
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  ctest --test-dir "$build" --output-on-failure -R '^Concurrency\.'
