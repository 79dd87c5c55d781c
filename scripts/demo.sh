#!/usr/bin/env bash
# Builds the project and runs the main job on the embedded demo.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j "$(nproc)"
export TARN_DATA_DIR="${TARN_DATA_DIR:-$PWD/data}"
exec build/bin/tarnenv "$@"
