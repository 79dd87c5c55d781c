#!/usr/bin/env bash
# Builds and runs every test twice: the g++ build of build/ (the one
# scripts/demo.sh uses), then a clang build with address and
# undefined-behaviour sanitizers (build-asan/). Warnings are errors in both.
# After the g++ build, scripts/frame_coverage.py fails the run when an export
# of libTarnSrvc escapes the call frame.
# After the g++ tests, the tests' lines must stay within their share of the
# code's (scripts/linecount.sh).
# Then the static analysis of scripts/lint.sh and a short fuzzing run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
. scripts/common.sh
jobs=$(nproc)

echo "== g++ build and tests"
tarn_configure build
tarn_build build
ctest --test-dir build -j "$jobs" --output-on-failure

echo "== every export of libTarnSrvc runs inside the call frame"
python3 scripts/frame_coverage.py build
echo "== the API reference builds without a Doxygen warning"
tarn_build build docs
echo "== the tests' share of the code"
scripts/linecount.sh --max-share 36

echo "== clang build with -fsanitize=address,undefined and tests"
cmake -S . -B build-asan -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
  -DTARN_WERROR=ON -DTARN_SANITIZE=ON -DTARN_BUILD_BENCH=OFF >/dev/null
tarn_build build-asan
ctest --test-dir build-asan -j "$jobs" --output-on-failure

echo "== static analysis: clang-tidy and cppcheck"
scripts/lint.sh

echo "== allocation-failure sweep, memcheck and trace scan ran with the tests above; fuzzing each target for 60 s"
scripts/fuzz.sh 1
