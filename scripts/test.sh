#!/usr/bin/env bash
# What CI runs (.ci/run). Each step prints its time; one line at the end
# sums up the run. The steps:
#   - the g++ build of build/ (the one scripts/demo.sh uses) and its tests;
#   - every export of libTarnSrvc runs inside the call frame
#     (scripts/frame_coverage.py);
#   - the API reference (target docs) builds without a Doxygen warning;
#   - the tests' lines stay within their share of the code's
#     (scripts/linecount.sh);
#   - a clang build with address and undefined-behaviour sanitizers
#     (build-asan/) and its tests;
#   - the thread test under ThreadSanitizer (scripts/tsan.sh: a build of
#     only what it needs);
#   - the static analysis of scripts/lint.sh;
#   - a short fuzzing run;
#   - the Debian packages from a Release tree, lintian, and the packages
#     tried from a scratch root (scripts/package.sh --check).
# Warnings are errors in both test builds. A step that fails does not stop
# the ones after it; the run fails when any step failed.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
. scripts/common.sh
jobs=$(nproc)
started=$SECONDS
passed=()
failed=()

# minutes SECONDS: "12m05s".
minutes() { printf '%dm%02ds' $(($1 / 60)) $(($1 % 60)); }

# step NAME COMMAND...: runs COMMAND (under set -e) as one step and records
# how it ended.
step() {
  local name=$1 begun=$SECONDS status=0
  shift
  echo "== $name"
  set +e
  (set -e; "$@")
  status=$?
  set -e
  if ((status == 0)); then
    passed+=("$name")
    echo "== $name: passed in $(minutes $((SECONDS - begun)))"
  else
    failed+=("$name")
    echo "== $name: FAILED (status $status) after $(minutes $((SECONDS - begun)))"
  fi
}

gxx_build() { tarn_configure build && tarn_build build; }
asan_build() {
  cmake -S . -B build-asan -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
    -DTARN_WERROR=ON -DTARN_SANITIZE=ON -DTARN_BUILD_BENCH=OFF >/dev/null
  tarn_build build-asan
}

step "g++ build" gxx_build
step "g++ tests" ctest --test-dir build -j "$jobs" --output-on-failure
step "every export of libTarnSrvc runs inside the call frame" python3 scripts/frame_coverage.py build
step "the API reference builds without a Doxygen warning" tarn_build build docs
step "the tests' share of the code" scripts/linecount.sh --max-share 36
step "clang build with -fsanitize=address,undefined" asan_build
step "clang tests" ctest --test-dir build-asan -j "$jobs" --output-on-failure
step "requests from eight threads under ThreadSanitizer" scripts/tsan.sh
step "static analysis: clang-tidy and cppcheck" scripts/lint.sh
step "fuzzing each target for 60 s" scripts/fuzz.sh 1
step "Debian packages: build, lintian, a scratch-root install" scripts/package.sh --check

total=$(minutes $((SECONDS - started)))
if ((${#failed[@]})); then
  printf -v list '%s; ' "${failed[@]}"
  echo "scripts/test.sh: ${#failed[@]} of $((${#passed[@]} + ${#failed[@]})) steps FAILED in $total: ${list%; }"
  exit 1
fi
echo "scripts/test.sh: all ${#passed[@]} steps passed in $total"
