#!/usr/bin/env bash
# Builds the engine and starts it, ready for Gomocup protocol commands on stdin.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release --target pbrain-ruvex
exec build/release/bin/pbrain-ruvex
