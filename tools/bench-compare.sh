#!/usr/bin/env bash
# Side-by-side search bench of two commits on the same machine:
#   tools/bench-compare.sh OLD_REF NEW_REF [ROUNDS] [ITERATIONS]
# An executable file instead of a ref is run as it is (e.g. build/release/bin/ruvex_searchbench).
# Builds ruvex_searchbench of both commits (Release, from a git archive under
# /tmp/ruvex-bench/<commit>; a build already there is reused), then runs the
# two benches alternately ROUNDS times (default 5) at ITERATIONS per position
# (default 3000), and prints both iterations/s of every round, the median of
# the per-round ratios NEW/OLD, bytes per node and both signatures. Absolute
# speeds on a shared machine are noise; the ratio of one run is the figure.
set -euo pipefail
cd "$(dirname "$0")/.."
old_ref=${1:?usage: tools/bench-compare.sh OLD_REF NEW_REF [ROUNDS] [ITERATIONS]}
new_ref=${2:?usage: tools/bench-compare.sh OLD_REF NEW_REF [ROUNDS] [ITERATIONS]}
rounds=${3:-5}
iterations=${4:-3000}
root=${RUVEX_BENCH_DIR:-/tmp/ruvex-bench}

build() {  # commit -> path of its bench
  local commit=$1 dir=$root/$1
  if [ ! -x "$dir/build/bin/ruvex_searchbench" ]; then
    rm -rf "$dir/src"
    mkdir -p "$dir/src"
    git archive "$commit" | tar -x -C "$dir/src"
    cmake -S "$dir/src" -B "$dir/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DRUVEX_TESTS=OFF \
      >/dev/null
    cmake --build "$dir/build" -j2 --target ruvex_searchbench >/dev/null
  fi
  echo "$dir/build/bin/ruvex_searchbench"
}

# A ref that names an executable file is used as it is (a bench of the work tree).
bench_of() {
  if [ -f "$1" ] && [ -x "$1" ]; then echo "$1"; else build "$(git rev-parse --short=12 "$1^{commit}")"; fi
}
name_of() { if [ -f "$1" ]; then echo "$1"; else git rev-parse --short=12 "$1^{commit}"; fi; }
old_commit=$(name_of "$old_ref")
new_commit=$(name_of "$new_ref")
old_bench=$(bench_of "$old_ref")
new_bench=$(bench_of "$new_ref")

field() {  # output, pattern, awk program
  printf '%s\n' "$1" | grep -m1 "$2" | awk "$3"
}
speed() { field "$1" '^total:' '{for (i = 1; i < NF; ++i) if ($(i + 1) == "iterations/s;") print $i}'; }

ratios=()
for ((r = 1; r <= rounds; ++r)); do
  old_out=$("$old_bench" "$iterations" | tr -d '\r')
  new_out=$("$new_bench" "$iterations" | tr -d '\r')
  old_speed=$(speed "$old_out")
  new_speed=$(speed "$new_out")
  ratio=$(awk -v a="$old_speed" -v b="$new_speed" 'BEGIN {printf "%.3f", b / a}')
  ratios+=("$ratio")
  echo "round $r: old $old_speed iterations/s, new $new_speed iterations/s, ratio $ratio"
done

median=$(printf '%s\n' "${ratios[@]}" | sort -g | awk '{v[NR] = $1} END {
  if (NR % 2) print v[(NR + 1) / 2]; else printf "%.3f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }')
echo "old $old_ref ($old_commit): $(field "$old_out" '^bytes per node' '{print $4}') bytes per node," \
  "$(field "$old_out" '^signature' '{print}')"
echo "new $new_ref ($new_commit): $(field "$new_out" '^bytes per node' '{print $4}') bytes per node," \
  "$(field "$new_out" '^signature' '{print}')"
echo "median ratio new/old over $rounds rounds at $iterations iterations: $median"
if [ "$(field "$old_out" '^signature' '{print}')" != "$(field "$new_out" '^signature' '{print}')" ]; then
  echo "SIGNATURES DIFFER"
  exit 1
fi
