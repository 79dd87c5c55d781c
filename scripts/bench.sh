#!/usr/bin/env bash
# Builds in release mode, runs every benchmark in bench/, counts instructions
# per row with callgrind and peak memory per row, and prints one summary table
# of every figure against its target. Arguments go to each benchmark program
# (for example --benchmark_filter=...). Output of each step is kept in
# build-bench/results/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
. scripts/common.sh
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARN_BUILD_TESTS=OFF >/dev/null
# The benchmarks and what they load (the test router of itemops_bench too).
bench_targets=()
for source in bench/*_bench.cpp; do bench_targets+=("$(basename "$source" .cpp)"); done
tarn_build build-bench "${bench_targets[@]}" TarnTestRouter
export TARN_DATA_DIR="${TARN_DATA_DIR:-$PWD/data}"
unset TARN_TRACE TARN_LEAKS

results=build-bench/results
rm -rf "$results" && mkdir -p "$results"

for b in "${bench_targets[@]}"; do
  echo "== $b"
  build-bench/bin/"$b" --benchmark_color=false "$@" | tee "$results/$b.txt"
done

echo "== fleet_bench"
tarn_build build-bench tarnadm tarnmknode
bench/fleet_bench.sh build-bench/bin/tarnadm build-bench/bin/tarnmknode | tee "$results/fleet_bench.txt"

echo "== import_bench"
tarn_build build-bench demo_data
CALLGRIND=1 bench/import.sh build-bench 10000 100000 | tee "$results/import_bench.txt"
tarn_build build-bench TarnRout
CALLGRIND=1 bench/import.sh --pg build-bench 10000 100000 | tee -a "$results/import_bench.txt"

# Instructions of a program's counted pass (one warm pass runs before it).
count() {  # name program arguments...
  local name=$1 program=$2
  shift 2
  valgrind --tool=callgrind --instr-atstart=no --callgrind-out-file="$results/callgrind.$name" \
    build-bench/bin/"$program" "$@" >/dev/null 2>"$results/callgrind.$name.log"
  sed -n 's/.*Collected : \([0-9]*\).*/\1/p' "$results/callgrind.$name.log"
}
instructions() { count "$1.$2" object_bench --walk="$1" --rows="$2"; }  # kind rows
echo "== callgrind"
{
  for rows in 10000 100000; do
    object=$(instructions object "$rows")
    bare=$(instructions bare "$rows")
    echo "RESULT object_instructions_per_row_$rows $((object / rows))"
    echo "RESULT bare_instructions_per_row_$rows $((bare / rows))"
  done
  getitem=$(instructions getitem 10000)
  next=$(instructions next 10000)
  echo "RESULT get_item_instructions_over_next $(((getitem - next) / 10000))"
  rpdb=$(count rpdb.10000 rpdb_bench --walk=rpdb --rows=10000)
  rpdbBare=$(count rpdb-bare.10000 rpdb_bench --walk=bare --rows=10000)
  echo "RESULT rpdb_instructions_per_row_10000 $((rpdb / 10000))"
  echo "RESULT rpdb_bare_instructions_per_row_10000 $((rpdbBare / 10000))"
  rdw=$(count rdw-read records_bench --read=rdw --records=100000)
  plain=$(count plain-read records_bench --read=plain --records=100000)
  echo "RESULT rdw_read_instructions_per_record $((rdw / 100000))"
  echo "RESULT plain_read_instructions_per_record $((plain / 100000))"
  rdw=$(count rdw-write records_bench --write=rdw --records=100000)
  plain=$(count plain-write records_bench --write=plain --records=100000)
  echo "RESULT rdw_write_instructions_per_record $((rdw / 100000))"
  echo "RESULT plain_write_instructions_per_record $((plain / 100000))"
  # tarnweb: instructions per first page (50 of 100,000 printers), all of it
  # and the part under the router's lock (router_client), as the difference
  # of a run serving 200 pages and one serving none (both log on once).
  web() {  # name pages [callgrind options]
    local name=$1 pages=$2
    shift 2
    TARNWEB_WRAPPER="valgrind --tool=callgrind --callgrind-out-file=$results/callgrind.web.$name $*" \
      build-bench/bin/tarnweb_bench --serve="$pages" >/dev/null 2>"$results/callgrind.web.$name.log"
    sed -n 's/.*Collected : \([0-9]*\).*/\1/p' "$results/callgrind.web.$name.log"
  }
  all=$(($(web all.200 200) - $(web all.0 0)))
  locked=$(($(web locked.200 200 --toggle-collect=router_client) - $(web locked.0 0 --toggle-collect=router_client)))
  echo "RESULT web_page_instructions $((all / 200))"
  echo "RESULT web_page_locked_instructions $((locked / 200))"
  echo "RESULT web_page_locked_percent $((100 * locked / all))"
  TARNWEB_WRAPPER="valgrind --tool=callgrind --callgrind-out-file=$results/callgrind.tarnadm.first50" \
    build-bench/bin/tarnweb_bench --tarnadm >/dev/null 2>"$results/callgrind.tarnadm.first50.log"
  echo "RESULT tarnadm_first50_instructions $(sed -n 's/.*Collected : \([0-9]*\).*/\1/p' \
    "$results/callgrind.tarnadm.first50.log")"
} | tee "$results/callgrind.txt"

echo "== peak memory"
{
  echo "RESULT peak_bytes_per_row $(build-bench/bin/object_bench --peak=1000000 | sed -n 's/.*peak \([0-9]*\) bytes.*/\1/p')"
  echo "RESULT plain_peak_bytes_per_row $(build-bench/bin/object_bench --peak=1000000 --peak-plain | sed -n 's/.*peak \([0-9]*\) bytes.*/\1/p')"
} | tee "$results/peak.txt"

# key | what | comparison | target (empty: shown for reference)
summary_rows='
rpdb_ratio_10000|ZeOpenDtsCollection + walk via TarnRpdb / bare sqlite3, 10,000 rows|<=|1.5
rpdb_ratio_100000|ZeOpenDtsCollection + walk via TarnRpdb / bare sqlite3, 100,000 rows|<=|1.5
rpdb_per_row_growth|TarnRpdb cost per row, 100,000 rows / 10,000 rows|<=|1.3
fleet_16_over_1|tarnadm list on 16 nodes in one call / on one node, 20 ms each way per connection|<=|2
fleet_in_turn_16_over_1|tarnadm list on 16 nodes one after the other / on one node||
import_demo_ratio_10000|tarnadm import of 10,000 PRINTER rows / sqlite3 .import of them, demo node|<=|3
import_demo_ratio_100000|tarnadm import of 100,000 PRINTER rows / sqlite3 .import of them, demo node|<=|3
import_demo_instructions_per_row_10000|instructions per imported row, tarnadm import, 10,000 rows (callgrind)||
import_pg_ratio_10000|tarnadm import of 10,000 PRINTER rows / psql \\copy of them, PostgreSQL node|<=|3
import_pg_ratio_100000|tarnadm import of 100,000 PRINTER rows / psql \\copy of them, PostgreSQL node|<=|3
import_pg_instructions_per_row_10000|instructions per imported row, tarnadm import, PostgreSQL node, 10,000 rows (callgrind)||
rpdb_alter_growth|ALTER of one item via TarnRpdb, 1,000,000 rows / 1,000 rows|<=|1.5
rout_alter_growth|ALTER of one item via TarnRout, 1,000,000 rows / 1,000 rows|<=|1.5
rout_collate_c_alter_growth|the same UPDATE with the key under COLLATE "C" (as before), bare libpq||
rpdb_instructions_per_row_10000|instructions per row, TarnRpdb collection, 10,000 rows (callgrind)||
rpdb_bare_instructions_per_row_10000|instructions per row, its bare sqlite3 loop (callgrind)||
object_ratio_10000|OPEN COLLECTION + GET ITEM via ZeSubmitAction / bare sqlite3, 10,000 rows||
object_ratio_100000|OPEN COLLECTION + GET ITEM via ZeSubmitAction / bare sqlite3, 100,000 rows||
object_instructions_per_row_10000|instructions per row, object path, 10,000 rows (callgrind)|<=|9245
object_instructions_per_row_100000|instructions per row, object path, 100,000 rows (callgrind)||
bare_instructions_per_row_10000|instructions per row, bare sqlite3 loop, 10,000 rows (callgrind)||
get_item_instructions_over_next|instructions of GET ITEM above ZeNextCollectionItem (callgrind)|<=|1000
get_item_over_next_ns|ns of GET ITEM above ZeNextCollectionItem||
peak_bytes_per_row|peak memory per row, 1,000,000 PRINTER rows (bytes)|<=|456
plain_peak_bytes_per_row|peak memory per row, plain copy, one malloc per value (bytes)||
rdw_read_ratio|record file read / plain fread, 1,000,000 records|<=|1.3
rdw_read_instructions_per_record|instructions per record, ZeReadRdwData (callgrind)||
plain_read_instructions_per_record|instructions per record, two plain freads (callgrind)||
rdw_write_instructions_per_record|instructions per record, ZeWriteRdwData (callgrind)||
plain_write_instructions_per_record|instructions per record, one plain fwrite (callgrind)||
rdw_write_ratio|record file write / plain fwrite, 1,000,000 records|<=|1.2
criterion_growth|ns per criterion at 100,000 / at 1,000|<=|1.3
quiet_trace_ns|trace share of a failing check with tracing off (ns)|<=|5
duplicate_removal_ms|duplicate removal, 100,000 rows (ms)|<|50
web_first_page_over_tarnadm|tarnweb first page (50 of 100,000) / tarnadm -o json list of the same 50|<=|2
web_eight_clients_over_one|tarnweb: one page each for 8 clients at once / for one client|<=|3
web_eight_clients_over_floor|the same over the floor the cores set (8 / cores times one page)||
web_server_cpu_per_page_eight_over_one|tarnweb's CPU per page with 8 clients at once / with one||
web_page_instructions|instructions per tarnweb first page, whole request (callgrind)||
web_page_locked_instructions|instructions of it inside the router, router_client (callgrind)||
web_page_locked_percent|share of a page inside the router (%)||
tarnadm_first50_instructions|instructions of tarnadm -o json list of the same 50, whole process (callgrind)||
'
echo
echo "== summary (least of the repetitions; the same run for every ratio)"
cat "$results"/*.txt | sed 's/\x1b\[[0-9;]*m//g' | awk -v rows="$summary_rows" '
  $1 == "RESULT" { value[$2] = $3 }
  END {
    n = split(rows, line, "\n"); missed = 0
    printf "| %-80s | %10s | %-8s | %-4s |\n", "Figure", "Value", "Target", "Met"
    printf "|%s|%s|%s|%s|\n", "----------------------------------------------------------------------------------", "------------", "----------", "------"
    for (i = 1; i <= n; ++i) {
      if (line[i] == "") continue
      split(line[i], f, "|")
      v = (f[1] in value) ? value[f[1]] : ""
      met = "-"
      if (f[4] != "") {
        if (v == "") met = "no"
        else if (f[3] == "<=") met = (v + 0 <= f[4] + 0) ? "yes" : "no"
        else met = (v + 0 < f[4] + 0) ? "yes" : "no"
        if (met == "no") ++missed
      }
      printf "| %-80s | %10s | %-8s | %-4s |\n", f[2], (v == "" ? "n/a" : v), (f[4] == "" ? "" : f[3] " " f[4]), met
    }
    printf "\n%d target(s) missed\n", missed
  }' | tee "$results/summary.txt"
