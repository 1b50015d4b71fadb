#!/usr/bin/env bash
# Sets up the machine, builds the program in Release and starts it.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

./scripts/setup.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELKORA_BUILD_TESTS=OFF -DVELKORA_BUILD_BENCH=OFF
cmake --build build/release -j "$(nproc)"

if [ -x build/release/app/velkora ]; then
  exec build/release/app/velkora "$@"
fi
echo "[run] built everything; the program velkora is not part of the tree yet"
