#!/usr/bin/env bash
# Package stage: installs the plain Release tree that scripts/test.sh built
# (configures and builds it first when run on its own), then builds programs
# outside the tree against it through pkg-config and find_package, and builds
# and inspects the Debian package (tests/package/consumer_test.sh).
# ZT_PACKAGE_BUILD_DIR names another build tree than build/.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$root"
build="${ZT_PACKAGE_BUILD_DIR:-build}"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" -j "$(nproc)"
tests/package/consumer_test.sh "$build"
