#!/usr/bin/env bash
# Builds the engine twice (Release, and AddressSanitizer + UndefinedBehaviorSanitizer)
# and runs the tests on both builds. Tests labelled "once" (the arena's own
# tests, whole self-play games, the include-order check) do not depend on the
# build's flags and run with the Release build only; the search signature gate
# runs there too (the sanitizer build has no benchmarks).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh
jobs=$(nproc 2>/dev/null || echo 2)

run() {
  local dir=$1 select=$2; shift 2
  cmake -S . -B "$dir" -G Ninja -DRUVEX_WERROR=ON "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" -j "$jobs" --output-on-failure --timeout 300 $select
}

run build/release "" -DCMAKE_BUILD_TYPE=Release
tools/package.sh linux  # the Linux package, unpacked and checked
run build/asan "-LE once" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRUVEX_SANITIZE=ON -DRUVEX_BENCH=OFF
echo "All tests passed (Release and ASan/UBSan)."
