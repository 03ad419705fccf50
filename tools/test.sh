#!/usr/bin/env bash
# Builds the engine twice (Release, and AddressSanitizer + UndefinedBehaviorSanitizer)
# and runs the tests on both builds. Tests labelled "once" (the arena's own
# tests, whole self-play games, the include-order check) do not depend on the
# build's flags and run with the Release build only; the search signature gate
# runs there too (the sanitizer build has no benchmarks). With clang present,
# each fuzz target then runs for 30 s (tools/fuzz.sh).
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
if command -v clang++ >/dev/null; then
  for target in protocol cutter loader text; do
    echo "Fuzzing $target for 30 s"
    tools/fuzz.sh "$target" 30 >build/fuzz-$target.log 2>&1 || { tail -n 40 build/fuzz-$target.log; exit 1; }
    grep -E '^stat::number_of_executed_units' build/fuzz-$target.log || true
  done
fi
echo "All tests passed (Release and ASan/UBSan)."
