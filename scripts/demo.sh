#!/usr/bin/env bash
# Builds the example application (examples/demo.c) with what it loads, and
# runs it on the embedded demo: a fresh copy of the demo data in
# <build>/demo-run/ (made anew on every run, so the built data never
# changes), requests carried out by the demo router TarnRpdb. The build
# directory is build/ (configured as scripts/test.sh configures it), or
# $TARN_BUILD_DIR. Set TARN_TRACE=stderr to see the library's trace as well.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
. scripts/common.sh
build="${TARN_BUILD_DIR:-build}"
tarn_configure "$build"
tarn_build "$build" tarndemo
exec cmake -DDEMO="$build/bin/tarndemo" -DDATA="$build/demo-data" -DWORK="$build/demo-run" -DKEEP=ON \
  -P examples/run_demo.cmake
