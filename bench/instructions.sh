#!/usr/bin/env bash
# Instructions per sample of every codec type, encode and decode, through the
# exported functions of the shared library, counted by callgrind.
#
#   bench/instructions.sh [BUILD_DIR] [--driver PATH] [--frames F] [--sizes "160 480"]
#                         [--types "1 2 ..."]
#
# Builds zt_instr_driver in BUILD_DIR (default: build) unless --driver names
# it, then runs it once per type, direction and frame size under
# `valgrind --tool=callgrind --toggle-collect=zt_measured_*`, so that only
# the measured frame calls are counted (setup, resets and warm-up are not).
# The figure is the count divided by the samples coded (F frames of N samples
# encoded, or the samples those frames decode to): it includes the entry
# point's checks, the private frame buffer and its copy, and the call.
# Type 35 is also measured at N + 1 (161, 481), its lossless frame sizes.
# --types limits the table to the listed codec types (default: all twelve).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

build="$root/build"
driver=""
frames=500
sizes="160 480"
only=""
while [ $# -gt 0 ]; do
  case "$1" in
    --driver) driver="$2"; shift 2 ;;
    --frames) frames="$2"; shift 2 ;;
    --sizes) sizes="$2"; shift 2 ;;
    --types) only=" $2 "; shift 2 ;;
    -h|--help) awk 'NR > 1 && !/^#/ { exit } NR > 1 { sub(/^# ?/, ""); print }' "$0"; exit 0 ;;
    *) build="$1"; shift ;;
  esac
done

command -v valgrind >/dev/null || { echo "valgrind is needed (Debian: valgrind)" >&2; exit 1; }
if [ -z "$driver" ]; then
  [ -f "$build/CMakeCache.txt" ] || {
    echo "no CMake build in $build; configure one first (see README) or pass --driver" >&2
    exit 1
  }
  cmake --build "$build" --target zt_instr_driver >/dev/null
  driver="$build/bench/zt_instr_driver"
fi

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

# Instructions per coded sample of one run, or a word saying why there is none.
per_sample() {  # type direction n
  local out="$tmp/cg.out" status=0
  LD_BIND_NOW=1 valgrind --tool=callgrind --toggle-collect='zt_measured_*' \
    --callgrind-out-file="$out" "$driver" "$1" "$2" "$3" "$frames" \
    >"$tmp/driver.log" 2>"$tmp/valgrind.log" || status=$?
  case "$status" in
    0)
      local ir samples
      ir="$(awk '/^(summary|totals):/ { print $2; exit }' "$out")"
      samples="$(awk '/^samples/ { print $2 }' "$tmp/driver.log")"
      awk -v ir="$ir" -v s="$samples" 'BEGIN { printf "%.2f", ir / s }'
      ;;
    3) echo "not-built" ;;
    *) echo "failed"; cat "$tmp/valgrind.log" >&2 ;;
  esac
}

types=(1:G711A 2:G711U 3:ADPCM 35:ADPCM_LEAD 4:G726_16K 5:G726_24K 6:G726_32K 7:G726_40K
  36:G726_16K_MSB 37:G726_24K_MSB 38:G726_32K_MSB 39:G726_40K_MSB)

echo "instructions per sample, $frames frames per figure ($(uname -m), $(valgrind --version))"
printf '%-5s %-13s %5s %10s %10s\n' type name n encode decode
for entry in "${types[@]}"; do
  type="${entry%%:*}"
  name="${entry#*:}"
  [ -n "$only" ] && [[ "$only" != *" $type "* ]] && continue
  list="$sizes"
  [ "$type" = 35 ] && list="$(for s in $sizes; do echo "$s $((s + 1))"; done | tr '\n' ' ')"
  for n in $list; do
    enc="$(per_sample "$type" enc "$n")"
    if [ "$enc" = not-built ]; then
      printf '%-5s %-13s %5s %10s %10s\n' "$type" "$name" "$n" "not built" "-"
      continue
    fi
    dec="$(per_sample "$type" dec "$n")"
    printf '%-5s %-13s %5s %10s %10s\n' "$type" "$name" "$n" "$enc" "$dec"
  done
done
