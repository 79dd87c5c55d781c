#!/usr/bin/env bash
# Builds in release mode (build-bench/, no tests) and runs every benchmark
# in bench/. Arguments go to each benchmark (e.g. --benchmark_filter=...).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
. scripts/common.sh
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARN_BUILD_TESTS=OFF >/dev/null
tarn_build build-bench
export TARN_DATA_DIR="${TARN_DATA_DIR:-$PWD/build-bench/demo-data}"
for b in build-bench/bin/*_bench; do
  echo "== $(basename "$b")"
  "$b" "$@"
done
