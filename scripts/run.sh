#!/usr/bin/env bash
# The main job: builds the library and the zvoice tool, then runs
# `zvoice compare` on the speech clip built into zvoice: one table of bit
# rates, frame size, SNR and speed for every codec type. Arguments go to
# `zvoice compare` (an input file, --out DIR, --frame-ms MS). Installs
# missing packages. ZT_BUILD_DIR picks another build directory than build/.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${ZT_BUILD_DIR:-$root/build}"
"$root/scripts/deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "$(nproc)" --target zvoice
# Run from the caller's directory, where a relative input path points.
"$build/tools/zvoice" compare "$@"
