#!/usr/bin/env bash
# Builds and runs every test: the plain suite, the suite again under
# AddressSanitizer and UndefinedBehaviorSanitizer, then the further stages
# in scripts/test.d (run in name order). Installs missing Debian packages.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
scripts/deps.sh
jobs="$(nproc)"

echo "== plain build and tests"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build and tests"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZT_SANITIZE=address,undefined -DZT_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs"

for stage in scripts/test.d/*.sh; do
  [ -e "$stage" ] || continue
  echo "== $(basename "$stage" .sh)"
  bash "$stage"
done
echo "== all tests passed"
