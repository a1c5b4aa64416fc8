#!/usr/bin/env bash
# Writes the seed corpus of the fuzz targets again (fuzz/corpus/<target>/seed-*)
# with the generator fuzz/make_corpus.cpp, built in the given build tree
# (default build-fuzz; any configured tree with tests or fuzzers will do).
# Inputs that are not seeds, such as the regression inputs of findings
# (finding-*), are kept.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-build-fuzz}"
cd "$root"
cmake --build "$build" --target fuzz_make_corpus
for target in decode encode stream; do
  mkdir -p "fuzz/corpus/$target"
  find "fuzz/corpus/$target" -name 'seed-*' -delete
done
"$build/fuzz/fuzz_make_corpus" fuzz/corpus
for target in decode encode stream; do
  echo "fuzz/corpus/$target: $(find "fuzz/corpus/$target" -type f | wc -l) inputs"
done
