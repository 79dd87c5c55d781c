#!/usr/bin/env bash
# Import of N PRINTER rows into an empty demo node: `tarnadm import` of a
# record file against `sqlite3 .import` of the same rows as CSV, in the
# same run, each store emptied before each load; the rows stored by both
# are compared. Prints "demo <rows> <tarnadm s> <sqlite3 s> <ratio>" and
# the ratio as "RESULT import_demo_ratio_<rows> <ratio>"; with CALLGRIND=1
# also the instructions per row of the import (callgrind, whole process).
# Usage: bench/import.sh BUILD_DIR [ROWS...]   (default 10000 100000)
# IMPORT_WRAP="valgrind --tool=callgrind ..." runs the import under a tool.
set -euo pipefail
build=$(cd "${1:?usage: import.sh BUILD_DIR [ROWS...]}" && pwd)
shift
rows=("${@:-10000 100000}")
[[ $# -eq 0 ]] && rows=(10000 100000)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$build/demo-data" "$work/data"
db=$work/data/nodes/DEMO.db
mkdir -m 700 "$work/run"
export TARN_DATA_DIR=$work/data DEMO_ROUTER=ON TARN_NODE=DEMO HOME=$work XDG_RUNTIME_DIR=$work/run \
  XDG_CONFIG_HOME=$work/config TARN_MODULE_PATH=$build/lib TARN_PASSWORD= TARN_ROUTER= TARN_USER= TARN_OUTPUT=
tarnadm=$build/bin/tarnadm
sqlite3 "$db" "DELETE FROM QUEUE"

seconds() { local t0 t1; t0=$(date +%s.%N); "$@" >/dev/null; t1=$(date +%s.%N); echo "$t1 - $t0" | bc -l; }
stored() { sqlite3 "$db" "SELECT * FROM PRINTER ORDER BY PRN_NAME" | sha256sum; }

for n in "${rows[@]}"; do
  sqlite3 "$db" "DELETE FROM PRINTER; WITH RECURSIVE r(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM r WHERE i + 1 < $n)
    INSERT INTO PRINTER (PRN_NAME, PRN_STATUS, PRN_COPIES, PRN_LOCATION, PRN_DESC, PRN_INSTALLED)
    SELECT printf('P%07d', i), substr('ROM', 1 + i % 3, 1), 1 + i % 99, printf('BLDG %d', i % 40),
           printf('row %d, \"quoted\"', i), date('2020-01-01', printf('+%d days', i % 1000)) FROM r"
  want=$(stored)
  "$tarnadm" -q export PRINTER "$work/p.rdw" >/dev/null
  sqlite3 -csv "$db" "SELECT * FROM PRINTER" >"$work/p.csv"

  sqlite3 "$db" "DELETE FROM PRINTER; VACUUM"
  own=$(seconds sqlite3 "$db" ".import --csv $work/p.csv PRINTER")
  [[ $(stored) == "$want" ]] || { echo "sqlite3 .import changed rows" >&2; exit 1; }

  sqlite3 "$db" "DELETE FROM PRINTER; VACUUM"
  ours=$(seconds ${IMPORT_WRAP:-} "$tarnadm" -q import PRINTER "$work/p.rdw")
  [[ $(stored) == "$want" ]] || { echo "tarnadm import changed rows" >&2; exit 1; }
  ratio=$(printf '%.1f' "$(echo "$ours / $own" | bc -l)")
  printf 'demo %s %.3f %.3f %s\n' "$n" "$ours" "$own" "$ratio"
  echo "RESULT import_demo_ratio_$n $ratio"
  if [[ ${CALLGRIND:-} == 1 ]]; then
    sqlite3 "$db" "DELETE FROM PRINTER; VACUUM"
    valgrind --tool=callgrind --callgrind-out-file="$work/callgrind.out" "$tarnadm" -q import PRINTER "$work/p.rdw" \
      >/dev/null 2>"$work/callgrind.log"
    [[ $(stored) == "$want" ]] || { echo "tarnadm import under callgrind changed rows" >&2; exit 1; }
    echo "RESULT import_demo_instructions_per_row_$n $(($(sed -n 's/.*Collected : \([0-9]*\).*/\1/p' \
      "$work/callgrind.log") / n))"
  fi
done
