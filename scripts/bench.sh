#!/usr/bin/env bash
# Builds the benchmarks in a Release tree and runs them; each program ends
# with a table of its benchmarks beside their references and the ratios.
# Arguments are passed to every program (e.g. --benchmark_filter=Log).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/bench

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DFW_BUILD_TESTS=OFF -DFW_BUILD_BENCH=ON >/dev/null
cmake --build "$build" >/dev/null

for program in "$build"/bench/*_bench; do
  echo "== $(basename "$program")"
  "$program" "$@"
done
