#!/usr/bin/env bash
# The thread test under ThreadSanitizer: a clang build in build-tsan/ of
# only what it needs (the two libraries, the routers and the modules the
# test loads, tarnmknode and the demo data), then its runs on the demo
# router and, on a throwaway PostgreSQL cluster, on TarnRout. Any race
# ThreadSanitizer reports fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/common.sh

cmake -S . -B build-tsan -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
  -DTARN_WERROR=ON -DTARN_TSAN=ON -DTARN_BUILD_BENCH=OFF -DTARN_INSTALL=OFF >/dev/null
tarn_build build-tsan threads_tests
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ${TSAN_OPTIONS:-}"
ctest --test-dir build-tsan --output-on-failure -R '^(threads|threads_pg|pg_cluster_start|pg_cluster_stop)$'
