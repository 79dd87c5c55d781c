#!/usr/bin/env bash
# Builds and runs every test twice: a normal g++ build (build/), then a clang
# build with address and undefined-behaviour sanitizers (build-asan/).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
jobs=$(nproc)

echo "== g++ build and tests"
cmake -S . -B build -G Ninja -DCMAKE_CXX_COMPILER=g++ -DCMAKE_C_COMPILER=gcc >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build -j "$jobs" --output-on-failure

echo "== clang build with -fsanitize=address,undefined and tests"
cmake -S . -B build-asan -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
  -DTARN_SANITIZE=ON -DTARN_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j "$jobs"
ctest --test-dir build-asan -j "$jobs" --output-on-failure

echo "== allocation-failure sweep, memcheck and trace scan ran with the tests above; fuzzing each target for 60 s"
scripts/fuzz.sh 1
