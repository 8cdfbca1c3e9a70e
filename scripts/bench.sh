#!/usr/bin/env bash
# Builds the optimised native preset and runs the benchmarks. Extra arguments
# go to each benchmark binary (for example --benchmark_filter=Totals).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
cmake --preset bench >/dev/null
cmake --build --preset bench
for bench in build/bench/bench/bench_*; do
  echo "=== $(basename "$bench")"
  "$bench" "$@"
done
