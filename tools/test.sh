#!/usr/bin/env bash
# Builds the engine twice (Release, and AddressSanitizer + UndefinedBehaviorSanitizer)
# and runs every test on both builds.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh
jobs=$(nproc 2>/dev/null || echo 2)

run() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DRUVEX_WERROR=ON "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" -j "$jobs" --output-on-failure --timeout 300
}

run build/release -DCMAKE_BUILD_TYPE=Release
tools/package.sh linux  # the Linux package, unpacked and checked
run build/asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRUVEX_SANITIZE=ON -DRUVEX_BENCH=OFF
echo "All tests passed (Release and ASan/UBSan)."
