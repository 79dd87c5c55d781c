#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, address and undefined-behaviour
# sanitizers) in build-fuzz/ and runs each one on a copy of its seed corpus.
#   scripts/fuzz.sh [minutes]   minutes per target (default 0.5); 10 = a longer campaign
# New inputs found are kept in build-fuzz/corpus/<target>/, crashes in build-fuzz/crashes/.
set -euo pipefail
cd "$(dirname "$0")/.."
minutes=${1:-0.5}
seconds=$(awk -v m="$minutes" 'BEGIN { printf "%d", m * 60 }')
scripts/setup.sh
cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
  -DTARN_FUZZ=ON -DTARN_BUILD_BENCH=OFF >/dev/null
targets=(parse_buffer filter_text rdw_file registry dates validate smc_file router_items kvs_store)
cmake --build build-fuzz -j "$(nproc)" --target "${targets[@]/#/fuzz_}"
mkdir -p build-fuzz/crashes
export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export TARN_MODULE_PATH="$PWD/build-fuzz/lib"
for t in "${targets[@]}"; do
  corpus=build-fuzz/corpus/$t
  mkdir -p "$corpus"
  cp -n tests/fuzz/corpus/"$t"/* "$corpus"/ 2>/dev/null || true
  echo "== fuzz_$t for ${seconds}s"
  log=build-fuzz/fuzz_$t.log
  status=0
  (cd build-fuzz && env -u TARN_TRACE -u KVS_CONFIG -u TARN_DATA_DIR -u DEMO_ROUTER \
     bin/fuzz_"$t" -max_total_time="$seconds" -max_len=4096 -timeout=20 -rss_limit_mb=2048 \
     -print_final_stats=1 -artifact_prefix=crashes/"$t"- corpus/"$t") >"$log" 2>&1 || status=$?
  grep -E "^(#[0-9]+ +DONE|stat::number_of_executed_units)" "$log" || true
  if [ "$status" -ne 0 ]; then
    tail -40 "$log"
    echo "fuzz_$t failed (status $status): the input is in build-fuzz/crashes/"
    exit 1
  fi
done
echo "Fuzzing complete."
