#!/usr/bin/env bash
# Runs every fuzz target for a long stretch (10 minutes each by default), a few
# at a time, and prints per target how many inputs ran and how many crashing
# inputs were kept. The corpus each target grows and its crash inputs stay in
# build/fuzz/long/<target>/ (corpus/, artifacts/, log.txt); the committed seeds
# are only read.
#
#   ./scripts/fuzz-long.sh [seconds per target]
#   FUZZ_JOBS=2 ./scripts/fuzz-long.sh        # targets at once (default 4)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

seconds="${1:-600}"
parallel="${FUZZ_JOBS:-4}"

./scripts/setup.sh
cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DVELKORA_FUZZ_ONLY=ON
cmake --build build/fuzz -j "$parallel"

out=build/fuzz/long
list=build/fuzz/fuzz-targets.txt
export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

run_target() {
  local name=$1 program=$2 seeds=$3
  shift 3
  local dir="$out/$name"
  mkdir -p "$dir/corpus"
  rm -rf "$dir/artifacts"
  mkdir -p "$dir/artifacts"
  # libFuzzer stops at the first crash; its exit status is read from the artifacts.
  "$program" "$dir/corpus" "$seeds" -max_total_time="$seconds" "$@" -print_final_stats=1 \
    -artifact_prefix="$dir/artifacts/" >"$dir/log.txt" 2>&1 || true
}

while read -r name program seeds options; do
  while [ "$(jobs -rp | wc -l)" -ge "$parallel" ]; do
    wait -n || true
  done
  echo "[fuzz] $name for ${seconds}s"
  # shellcheck disable=SC2086 # the options are separate words
  run_target "$name" "$program" "$seeds" $options &
done <"$list"
wait

status=0
printf '\n%-12s %14s %8s\n' target executions crashes
while read -r name _; do
  dir="$out/$name"
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/log.txt")"
  if [ -z "$runs" ]; then
    # No final statistics after a crash: the last progress line counts.
    runs="$(grep -o '^#[0-9]*' "$dir/log.txt" | tail -n 1 | tr -d '#')"
  fi
  crashes="$(find "$dir/artifacts" -type f | wc -l)"
  printf '%-12s %14s %8s\n' "$name" "${runs:-?}" "$crashes"
  if [ "$crashes" -ne 0 ]; then
    status=1
    find "$dir/artifacts" -type f -printf '    %p\n'
  fi
done <"$list"
exit "$status"
