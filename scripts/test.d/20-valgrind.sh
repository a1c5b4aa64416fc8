#!/usr/bin/env bash
# Valgrind stage: the library's unit, API and hardening tests and the fuzz
# corpus replays under memcheck, on a plain (unsanitized) RelWithDebInfo build
# in build-vg. Each test program runs once with all its cases; any memcheck
# error or definite leak fails the stage. The zvoice tool and its tests are
# left out (they are outside the library and slow under valgrind).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$root"
build=build-vg
jobs="$(nproc)"

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZT_BUILD_TOOLS=OFF -DZT_BUILD_BENCH=OFF -DZT_BUILD_EXAMPLES=OFF >/dev/null
cmake --build "$build" -j "$jobs"

logs="$root/$build/memcheck"
rm -rf "$logs"
mkdir -p "$logs"

# GoogleTest prints a test parameter that has no PrintTo as its raw bytes,
# padding included, when it names the cases; that read is not the library's.
cat >"$logs/gtest.supp" <<'EOF'
{
   gtest-prints-parameter-padding-value
   Memcheck:Value8
   ...
   fun:*PrintByteSegmentInObjectTo*
}
{
   gtest-prints-parameter-padding-cond
   Memcheck:Cond
   ...
   fun:*PrintByteSegmentInObjectTo*
}
EOF
cat >"$logs/valgrind" <<EOF
#!/usr/bin/env bash
exec valgrind -q --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite \\
  --show-leak-kinds=definite --suppressions='$logs/gtest.supp' "\$@"
EOF
chmod +x "$logs/valgrind"
export ZT_VG="$logs/valgrind"

# One script per test program, from CTest's own list: a GoogleTest program
# once without a filter, any other test as CTest runs it, each in its working
# directory and with its environment.
ctest --test-dir "$build" --show-only=json-v1 | jq -r '
  [.tests[]
   | {gtest: any(.command[]; startswith("--gtest_filter")),
      cmd: .command,
      wd: ([.properties[]? | select(.name == "WORKING_DIRECTORY") | .value] | first // "."),
      env: ([.properties[]? | select(.name == "ENVIRONMENT") | .value[]])}
   | .cmd = (if .gtest then [.cmd[0]] else .cmd end)]
  | unique_by(.cmd)[]
  | (.cmd[0] | split("/") | last) + "\t" +
    @sh "cd \(.wd) && exec env -- \(.env) \"$ZT_VG\" \(.cmd)"' >"$logs/commands"
count="$(wc -l <"$logs/commands")"
[ "$count" -gt 0 ] || { echo "no tests found in $build" >&2; exit 1; }

n=0
while IFS=$'\t' read -r name line; do
  n=$((n + 1))
  printf '%s\n' "$line" >"$logs/$n-$name.sh"
done <"$logs/commands"

echo "memcheck: $count test programs, $jobs at a time"
find "$logs" -name '*.sh' -print0 | sort -z | xargs -0 -P "$jobs" -I{} bash -c '
  if bash "$1" >"${1%.sh}.log" 2>&1; then
    echo "  ok      $(basename "$1" .sh)"
  else
    echo "  FAILED  $(basename "$1" .sh)"
    touch "${1%.sh}.failed"
  fi' _ {}

failed=("$logs"/*.failed)
if [ -e "${failed[0]}" ]; then
  for f in "${failed[@]}"; do
    echo "---- $(basename "$f" .failed): $(cat "${f%.failed}.sh")"
    tail -n 60 "${f%.failed}.log"
  done
  echo "memcheck: errors or failing tests; logs in $logs" >&2
  exit 1
fi
echo "memcheck: clean"
