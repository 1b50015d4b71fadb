#!/usr/bin/env bash
# Sets up the machine, builds the program in Release and starts it.
# With --demo: builds and starts velkora-demo instead, the program against the
# virtual headset and a seeded local fake API (other arguments go to the launcher).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

demo=0
launcher_args=()
for arg in "$@"; do
  if [ "$arg" = "--demo" ]; then
    demo=1
  else
    launcher_args+=("$arg")
  fi
done

./scripts/setup.sh

if [ "$demo" = 1 ]; then
  # The test doubles the demo runs on are built with the tests; only the demo's targets are built.
  cmake -S . -B build/demo -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELKORA_BUILD_TESTS=ON -DVELKORA_BUILD_BENCH=OFF
  cmake --build build/demo -j "$(nproc)" --target velkora-demo
  exec build/demo/tools/demo/velkora-demo "${launcher_args[@]}"
fi

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELKORA_BUILD_TESTS=OFF -DVELKORA_BUILD_BENCH=OFF
cmake --build build/release -j "$(nproc)"

if [ -x build/release/app/velkora ]; then
  exec build/release/app/velkora "$@"
fi
echo "[run] the build finished but did not produce the program build/release/app/velkora" >&2
exit 1
