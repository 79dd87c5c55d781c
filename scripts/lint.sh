#!/usr/bin/env bash
# Static analysis of the library and the modules (not the tests): clang-tidy
# with the checks of .clang-tidy, then cppcheck with the suppressions of
# scripts/cppcheck-suppressions.txt. Both read the compile commands of a
# clang build configured in build-lint/ (nothing is compiled). Exits non-zero
# on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
jobs=$(nproc)
((jobs > 2)) && jobs=2

cmake -S . -B build-lint -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
  -DCMAKE_EXPORT_COMPILE_COMMANDS=ON -DTARN_BUILD_TESTS=OFF -DTARN_BUILD_BENCH=OFF -DTARN_BUILD_TOOLS=OFF \
  >/dev/null
sources="$PWD/(util|foundation|records|describe|requests|objects|logon|modules)/"

status=0
echo "== clang-tidy"
log=build-lint/clang-tidy.log
if ! run-clang-tidy -j "$jobs" -p build-lint -quiet "$sources" >"$log" 2>&1 ||
   grep -qE '(warning|error):' "$log"; then
  grep -E -A3 '(warning|error):' "$log" || tail -20 "$log"
  echo "clang-tidy found problems (full log: $log)" >&2
  status=1
fi

echo "== cppcheck"
if ! cppcheck --project=build-lint/compile_commands.json \
     --enable=warning,portability,performance --inline-suppr \
     --suppressions-list=scripts/cppcheck-suppressions.txt \
     --error-exitcode=1 -q -j "$jobs" 2>&1; then
  echo "cppcheck found problems" >&2
  status=1
fi
exit $status
