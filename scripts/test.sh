#!/usr/bin/env bash
# Sets up the machine, builds everything in Debug with AddressSanitizer and
# UndefinedBehaviorSanitizer, runs the fuzz targets briefly, then the whole test suite;
# then builds Release without sanitizers, as users run it, and runs the whole suite again.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

./scripts/setup.sh

jobs="$(nproc)"
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
chmod 700 "$XDG_RUNTIME_DIR"

# Every parser under libFuzzer (clang; the program's parsers on Debian's Qt Core),
# each target for 20 s, as many at once as there are cores.
# ./scripts/fuzz-long.sh runs them for 10 minutes each.
if [ -f tests/fuzz/CMakeLists.txt ]; then
  cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DVELKORA_FUZZ_ONLY=ON
  cmake --build build/fuzz -j "$jobs"
  ctest --test-dir build/fuzz --output-on-failure -j "$jobs"
fi

cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELKORA_SANITIZER=asan
cmake --build build/test -j "$jobs"
ctest --test-dir build/test --output-on-failure -j "$jobs" "$@"

# Optimised code without sanitizers lays memory and timing out differently, so some
# faults only show here. The benchmarks are already built above.
cmake -S . -B build/release-test -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELKORA_SANITIZER= \
  -DVELKORA_BUILD_BENCH=OFF
cmake --build build/release-test -j "$jobs"
ctest --test-dir build/release-test --output-on-failure -j "$jobs" "$@"

# Last, the threaded tests (protocol, hid, service, libtavrel, the ones labelled
# threaded) and the set-up's self-check (tsan) under ThreadSanitizer, in a lean
# build of their own (build/tsan).
./scripts/test-tsan.sh "$@"
