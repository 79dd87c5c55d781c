#!/usr/bin/env bash
# Formatting of every tracked C and C++ file (clang-format with the
# project's .clang-format, no line over 120 columns), then static analysis
# of the library and the modules (not the tests): clang-tidy with the checks
# of .clang-tidy, then cppcheck with the suppressions of
# scripts/cppcheck-suppressions.txt. Both read the compile commands of a
# clang build configured in build-lint/ (nothing is compiled). Exits non-zero
# on any finding. `scripts/lint.sh --format` checks the formatting only.
set -euo pipefail
cd "$(dirname "$0")/.."

status=0
echo "== formatting"
mapfile -t code < <(git ls-files '*.c' '*.cpp' '*.h' '*.hpp')
if ! clang-format --dry-run -Werror "${code[@]}"; then
  echo "clang-format: run clang-format -i on the files above" >&2
  status=1
fi
if awk 'length($0) > 120 { print FILENAME ":" FNR ": " length($0) " columns"; found = 1 } END { exit !found }' \
     "${code[@]}"; then
  echo "lines over 120 columns" >&2
  status=1
fi
[ "${1:-}" = --format ] && exit $status

scripts/setup.sh
jobs=$(nproc)
((jobs > 2)) && jobs=2

cmake -S . -B build-lint -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
  -DCMAKE_EXPORT_COMPILE_COMMANDS=ON -DTARN_BUILD_TESTS=OFF -DTARN_BUILD_BENCH=OFF -DTARN_BUILD_TOOLS=OFF \
  >/dev/null
sources="$PWD/(util|foundation|records|describe|requests|objects|logon|modules)/"

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
