#!/usr/bin/env bash
# The ThreadSanitizer stage of the test command: builds, in build/tsan, only
# what the tests of the threaded labels need (no benchmarks, no GUI), and runs
# them; the "tsan" label checks that a real race is still reported, also one
# that a mark broader than Qt's own ordering would hide. The first
# report stops a test (see cmake/VelkoraCompile.cmake), so a race fails the stage.
# Run alone it assumes the machine is set up (scripts/setup.sh).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

jobs="$(nproc)"
labels="protocol;hid;service;libtavrel;threaded;tsan"
build=build/tsan
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
chmod 700 "$XDG_RUNTIME_DIR"

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELKORA_SANITIZER=tsan -DVELKORA_BUILD_BENCH=OFF
# The programs and libraries the tests of those labels run, as far as the
# build knows them as targets (a folder such as the tests' runtime dir is none).
mapfile -t targets < <(comm -12 \
  <(cmake -DBUILD_DIR="$build" -DLABELS="$labels" -P cmake/ListTestOutputs.cmake | sort) \
  <(ninja -C "$build" -t targets all | sed 's/: [^:]*$//' | sort))
if [ "${#targets[@]}" -eq 0 ]; then
  echo "test-tsan: no test programs found for labels $labels" >&2
  exit 1
fi
cmake --build "$build" -j "$jobs" -t "${targets[@]}"
ctest --test-dir "$build" --output-on-failure -j "$jobs" -L "^(${labels//;/|})\$" "$@"
