#!/usr/bin/env bash
# The main job: builds the library and runs the example program, which
# round-trips a tone through every codec type. Installs missing packages.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc)" --target zt_roundtrip_example
build/examples/zt_roundtrip_example
