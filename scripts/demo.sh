#!/usr/bin/env bash
# Builds the example application (examples/demo.c) with what it loads, and
# runs it. The build directory is build/, or $TARN_BUILD_DIR. Set
# TARN_TRACE=stderr to see the library's trace as well.
#
#   scripts/demo.sh            the embedded demo: a fresh copy of the demo
#                              data in <build>/demo-run/, requests carried out
#                              by the demo router TarnRpdb on SQLite nodes
#   scripts/demo.sh --remote   the library's default route: DEMO_ROUTER unset,
#                              requests carried out by TarnRout on a throwaway
#                              local PostgreSQL cluster (scripts/pgnodes.sh in
#                              <build>/pgnodes/, stopped afterwards), the node
#                              map in <build>/demo-remote/nodes.conf
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
build="${TARN_BUILD_DIR:-build}"
cmake -S . -B "$build" -G Ninja >/dev/null
if [ "${1:-}" = "--remote" ]; then
  cmake --build "$build" -j "$(nproc)" --target tarndemo TarnRout tarnmknode >/dev/null
  trap 'scripts/pgnodes.sh stop "$build/pgnodes"' EXIT
  scripts/pgnodes.sh start "$build/pgnodes" "$build/bin/tarnmknode" data
  rm -rf "$build/demo-remote"
  mkdir -p "$build/demo-remote"
  cp data/tarnobjs.dat "$build/pgnodes/nodes.conf" "$build/demo-remote/"
  env -u DEMO_ROUTER TARN_DATA_DIR="$PWD/$build/demo-remote" PGPASSFILE="$PWD/$build/pgnodes/pgpass" \
    "$build/bin/tarndemo"
  exit
fi
cmake --build "$build" -j "$(nproc)" --target tarndemo >/dev/null
exec cmake -DDEMO="$build/bin/tarndemo" -DDATA="$build/demo-data" -DWORK="$build/demo-run" -DKEEP=ON \
  -P examples/run_demo.cmake
