#!/usr/bin/env bash
# Builds the benchmarks in release mode and runs them. Figures go to stdout.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build/bench" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DQUILLMERE_TESTS=OFF -DQUILLMERE_BENCH=ON >/dev/null
cmake --build "$root/build/bench"
for b in "$root"/build/bench/bench/bench_*; do
    echo "== $(basename "$b")"
    "$b"
done
