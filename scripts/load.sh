#!/usr/bin/env bash
# Eight writer processes on one demo node for a minute (or the seconds
# given) while other processes keep three times the cores busy: the long
# run of the test e2e_load, which CI runs for 10 s. Needs build/ (g++).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/common.sh
tarn_build build e2e_load
E2E_LOAD_SECONDS=${1:-60} ctest --test-dir build --output-on-failure -R '^e2e_load$'
