#!/usr/bin/env bash
# Builds in release mode and runs every benchmark in bench/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARN_BUILD_TESTS=OFF >/dev/null
cmake --build build-bench -j "$(nproc)"
export TARN_DATA_DIR="${TARN_DATA_DIR:-$PWD/data}"
for b in build-bench/bin/*_bench; do
  echo "== $(basename "$b")"
  "$b" "$@"
done
