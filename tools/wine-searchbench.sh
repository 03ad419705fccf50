#!/usr/bin/env bash
# Runs the Windows search bench (build/windows-bench, cross-built) under Wine
# with the given arguments; an executable bench-compare.sh accepts, e.g.
#   tools/bench-compare.sh build/release/bin/ruvex_searchbench tools/wine-searchbench.sh
# Build it first:
#   cmake -S . -B build/windows-bench -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
#     -DCMAKE_BUILD_TYPE=Release -DRUVEX_TESTS=OFF && cmake --build build/windows-bench --target ruvex_searchbench
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$root/build/windows-bench/wineprefix} WINEARCH=win64 WINEDEBUG=-all
mkdir -p "$WINEPREFIX"
wine=$(command -v wine || command -v wine64 || echo /usr/lib/wine/wine64)
exec "$wine" "$root/build/windows-bench/bin/ruvex_searchbench.exe" "$@"
