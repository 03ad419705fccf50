#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs one of them.
#   tools/fuzz.sh TARGET SECONDS [libFuzzer options...]
# TARGET: protocol, cutter, loader or text. New inputs collect in
# build/fuzz/corpus/TARGET (the seeds in tests/fuzz/corpus/TARGET are read,
# never written); a failing input is saved as build/fuzz/artifacts/TARGET-*.
set -euo pipefail
cd "$(dirname "$0")/.."
[ $# -ge 2 ] || { echo "usage: tools/fuzz.sh TARGET SECONDS [libFuzzer options...]" >&2; exit 2; }
target=$1 seconds=$2
shift 2
dir=build/fuzz
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S . -B "$dir" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DRUVEX_FUZZ=ON -DRUVEX_TESTS=OFF -DRUVEX_BENCH=OFF >/dev/null
fi
cmake --build "$dir" --target "fuzz_$target" >/dev/null
mkdir -p "$dir/corpus/$target" "$dir/artifacts"
exec "$dir/bin/fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 \
  -artifact_prefix="$dir/artifacts/$target-" "$@" "$dir/corpus/$target" "tests/fuzz/corpus/$target"
