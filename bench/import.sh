#!/usr/bin/env bash
# Import of N PRINTER rows into an empty node: `tarnadm import` of a record
# file against the store's own bulk load of the same rows as CSV, in the
# same run, the table emptied before each load; the rows stored by both are
# compared with the ones exported (a load that changed a row fails the run).
#
#   bench/import.sh [--pg] BUILD_DIR [ROWS...]   (default 10000 100000)
#
# Without --pg the demo node (TarnRpdb) against `sqlite3 .import`; with
# --pg the node DEMO of a throwaway PostgreSQL cluster (scripts/pgnodes.sh,
# TarnRout, logged on as the node's administrator) against `psql \copy`.
# Prints "<store> <rows> <tarnadm s> <own s> <ratio>" and the ratio as
# "RESULT import_<store>_ratio_<rows> <ratio>"; with CALLGRIND=1 also the
# instructions per row of the tarnadm process (callgrind).
# IMPORT_WRAP="valgrind --tool=callgrind ..." runs the import under a tool.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
store=demo
[[ ${1:-} == --pg ]] && { store=pg; shift; }
build=$(cd "${1:?usage: import.sh [--pg] BUILD_DIR [ROWS...]}" && pwd)
shift
rows=("$@")
[[ $# -eq 0 ]] && rows=(10000 100000)
work=$(mktemp -d "${TMPDIR:-/tmp}/import_bench.XXXXXX")
chmod 755 "$work"  # a PostgreSQL cluster runs as the account postgres
cleanup() {
  [[ $store == pg ]] && "$here/../scripts/pgnodes.sh" stop "$work/pg" >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -m 700 "$work/run"
export HOME=$work XDG_RUNTIME_DIR=$work/run XDG_CONFIG_HOME=$work/config TARN_MODULE_PATH=$build/lib \
  TARN_PASSWORD= TARN_USER= TARN_OUTPUT= TARN_NODE=DEMO
unset TARN_TRACE
tarnadm=("$build/bin/tarnadm")

# fill N: the table holds N rows, every field set, dates included.
if [[ $store == demo ]]; then
  cp -r "$build/demo-data" "$work/data"
  db=$work/data/nodes/DEMO.db
  export TARN_DATA_DIR=$work/data DEMO_ROUTER=ON TARN_ROUTER=
  sqlite3 "$db" "DELETE FROM QUEUE"
  empty() { sqlite3 "$db" "DELETE FROM PRINTER; VACUUM"; }
  fill() {
    sqlite3 "$db" "DELETE FROM PRINTER; WITH RECURSIVE r(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM r WHERE i + 1 < $1)
      INSERT INTO PRINTER (PRN_NAME, PRN_STATUS, PRN_COPIES, PRN_LOCATION, PRN_DESC, PRN_INSTALLED)
      SELECT printf('P%07d', i), substr('ROM', 1 + i % 3, 1), 1 + i % 99, printf('BLDG %d', i % 40),
             printf('row %d, \"quoted\"', i), date('2020-01-01', printf('+%d days', i % 1000)) FROM r"
  }
  stored() { sqlite3 "$db" "SELECT * FROM PRINTER ORDER BY PRN_NAME" | sha256sum; }
  to_csv() { sqlite3 -csv "$db" "SELECT * FROM PRINTER" >"$1"; }
  own_load() { sqlite3 "$db" ".import --csv $1 PRINTER"; }
  own=sqlite3
else
  "$here/../scripts/pgnodes.sh" start "$work/pg" "$build/bin/tarnmknode" "$here/../data" >/dev/null
  mkdir -p "$work/data"
  cp "$build/demo-data/tarnobjs.dat" "$work/pg/nodes.conf" "$work/data/"
  (umask 077 && echo tarn-admin-pw >"$work/admin-pw")
  export TARN_DATA_DIR=$work/data PGPASSFILE=$work/pg/pgpass
  unset DEMO_ROUTER
  tarnadm+=(--router remote --user-id tarn_admin --password-file "$work/admin-pw")
  psql_node() { psql -X -q -At -v ON_ERROR_STOP=1 "host=$(readlink "$work/pg/socket") dbname=DEMO user=tarn_admin" "$@"; }
  psql_node -c "DELETE FROM QUEUE"
  empty() { psql_node -c "SET client_min_messages = warning" -c "TRUNCATE PRINTER CASCADE"; }
  fill() {
    psql_node -c "DELETE FROM PRINTER;
      INSERT INTO PRINTER (PRN_NAME, PRN_STATUS, PRN_COPIES, PRN_LOCATION, PRN_DESC, PRN_INSTALLED)
      SELECT format('P%s', lpad(i::text, 7, '0')), substr('ROM', 1 + i % 3, 1), 1 + i % 99, format('BLDG %s', i % 40),
             format('row %s, \"quoted\"', i), date '2020-01-01' + i % 1000 FROM generate_series(0, $1 - 1) i" -c "VACUUM ANALYZE PRINTER"
  }
  stored() { psql_node -c "SELECT * FROM PRINTER ORDER BY PRN_NAME COLLATE \"C\"" | sha256sum; }
  to_csv() { psql_node -c "\\copy PRINTER TO '$1' CSV"; }
  own_load() { psql_node -c "\\copy PRINTER FROM '$1' CSV"; }
  own="psql \\copy"
fi

seconds() { local t0 t1; t0=$(date +%s.%N); "$@" >/dev/null; t1=$(date +%s.%N); echo "$t1 - $t0" | bc -l; }
same_rows() { [[ $(stored) == "$want" ]] || { echo "$1 changed rows" >&2; exit 1; }; }

for n in "${rows[@]}"; do
  fill "$n"
  want=$(stored)
  "${tarnadm[@]}" -q export PRINTER "$work/p.rdw" >/dev/null
  to_csv "$work/p.csv"

  empty
  mine=$(seconds own_load "$work/p.csv")
  same_rows "$own"

  empty
  ours=$(seconds ${IMPORT_WRAP:-} "${tarnadm[@]}" -q import PRINTER "$work/p.rdw")
  same_rows "tarnadm import"
  ratio=$(printf '%.1f' "$(echo "$ours / $mine" | bc -l)")
  printf '%s %s %.3f %.3f %s\n' "$store" "$n" "$ours" "$mine" "$ratio"
  echo "RESULT import_${store}_ratio_$n $ratio"
  if [[ ${CALLGRIND:-} == 1 ]]; then
    empty
    valgrind --tool=callgrind --callgrind-out-file="$work/callgrind.out" "${tarnadm[@]}" -q import PRINTER \
      "$work/p.rdw" >/dev/null 2>"$work/callgrind.log"
    same_rows "tarnadm import under callgrind"
    [[ -n ${CALLGRIND_KEEP:-} ]] && cp "$work/callgrind.out" "$CALLGRIND_KEEP.$store.$n"
    echo "RESULT import_${store}_instructions_per_row_$n $(($(sed -n 's/.*Collected : \([0-9]*\).*/\1/p' \
      "$work/callgrind.log") / n))"
  fi
done
