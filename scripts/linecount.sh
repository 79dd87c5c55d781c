#!/usr/bin/env bash
# Non-blank line counts of the tree, by part, and the tests' share of the
# code. Code: the library's layers, the utility library, the modules, the
# tools, the examples, the public headers and the internal contract. Tests:
# everything under tests/ except build files and fuzz seed corpora.
# Benchmarks, scripts and build files are counted in neither.
#
#   scripts/linecount.sh [--max-share PERCENT]
#
# With --max-share, exits 1 when tests exceed that share of the code.
set -euo pipefail
cd "$(dirname "$0")/.."

max_share=""
if [ "${1:-}" = --max-share ]; then max_share=${2:?--max-share needs a percentage}; fi

code_dirs=(foundation records describe requests objects logon util modules tools examples include contract)
sources='\.(c|cc|cpp|h|hpp|in|sh|py)$'

# count PATH...: non-blank lines of the tracked sources under PATH.
count() {
  git ls-files -- "$@" | grep -E "$sources" | grep -v '/corpus/' \
    | { xargs -r cat; } | grep -cv '^[[:space:]]*$' || true
}

code=0
for d in "${code_dirs[@]}"; do
  n=$(count "$d")
  printf '%-12s %7d\n' "$d" "$n"
  code=$((code + n))
done
tests=$(count tests)
share=$((tests * 1000 / code))
printf '%-12s %7d\n' code "$code" tests "$tests"
printf 'tests are %d.%d%% of code\n' $((share / 10)) $((share % 10))
if [ -n "$max_share" ] && ((share > max_share * 10)); then
  echo "tests exceed $max_share% of code" >&2
  exit 1
fi
