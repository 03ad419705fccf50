#!/usr/bin/env bash
# Builds the engine (Release) and plays one demo game of pbrain-ruvex against itself, drawing
# the board after every move. Extra arguments go to the arena's watch mode, e.g.
#   tools/demo.sh --turn-ms 1000 --opening-stones 3 --seed 7 --clear
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release --target pbrain-ruvex
engine=build/release/bin/pbrain-ruvex
if [ ! -f build/release/bin/brain.map ]; then
  echo "note: no brain.map beside $engine (data/brain.map is copied there by the build)" >&2
fi
exec python3 tools/arena watch "$engine" --turn-ms 1000 "$@"
