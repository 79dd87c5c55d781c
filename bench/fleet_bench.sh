#!/usr/bin/env bash
# One tarnadm command on 16 PostgreSQL nodes, each reached through a proxy
# on loopback that delays every byte by 20 ms each way (bench/delay_proxy.py;
# a far node's latency for a local server), next to the same command on one
# node and on the 16 nodes one after the other, as a person looping in the
# shell would. Target: 16 nodes in one call at most 2x one node.
#
#   bench/fleet_bench.sh <tarnadm> <tarnmknode> [repetitions]
#
# Prints each time (the least of the repetitions, wall-clock) and RESULT
# lines for scripts/bench.sh.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
tarnadm=$1 tarnmknode=$2 reps=${3:-5}
nodes=16 delay_ms=20

work=$(mktemp -d "${TMPDIR:-/tmp}/fleet_bench.XXXXXX")
chmod 755 "$work"  # the cluster runs as the account postgres
proxy=
cleanup() {
  [ -n "$proxy" ] && kill "$proxy" 2>/dev/null || true
  "$here/../scripts/pgnodes.sh" stop "$work/pg" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

"$here/../scripts/pgnodes.sh" start "$work/pg" "$tarnmknode" "$here/../data" >/dev/null
socket=$(readlink "$work/pg/socket")
python3 "$here/delay_proxy.py" "$socket/.s.PGSQL.5432" "$delay_ms" "$work/port" &
proxy=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.05; done
port=$(cat "$work/port")

# The node map: 16 nodes, each the demo database behind the delaying proxy.
mkdir -p "$work/data"
cp "$here/../data/tarnobjs.dat" "$work/data/"
list=
for n in $(seq "$nodes"); do
  printf '[SITE%d]\nhost=127.0.0.1\nport=%s\ndbname=DEMO\nuser=tarn_reader\n\n' "$n" "$port" >>"$work/data/nodes.conf"
  list=${list:+$list,}SITE$n
done
export TARN_DATA_DIR=$work/data PGPASSFILE=$work/pg/pgpass XDG_RUNTIME_DIR=$work HOME=$work
unset DEMO_ROUTER TARN_NODE TARN_TRACE

# The least wall time of `reps` runs of the command, in ms.
least_ms() {
  local best=
  for _ in $(seq "$reps"); do
    local start end ms
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    ms=$(((end - start) / 1000000))
    [ -z "$best" ] || [ "$ms" -lt "$best" ] && best=$ms
  done
  echo "$best"
}
in_turn() { for n in $(seq "$nodes"); do "$tarnadm" --node "SITE$n" -o csv list PRINTER; done; }

one=$(least_ms "$tarnadm" --node SITE1 -o csv list PRINTER)
fleet=$(least_ms "$tarnadm" --node "$list" -o csv list PRINTER)
turn=$(least_ms in_turn)
rows=$("$tarnadm" --node "$list" -o csv list PRINTER | tail -n +2 | wc -l)
echo "list PRINTER with ${delay_ms} ms each way: one node ${one} ms; ${nodes} nodes in one call ${fleet} ms" \
  "(${rows} rows); one after the other ${turn} ms"
awk -v a="$fleet" -v b="$one" 'BEGIN { printf "RESULT fleet_16_over_1 %.2f\n", a / b }'
awk -v a="$turn" -v b="$one" 'BEGIN { printf "RESULT fleet_in_turn_16_over_1 %.2f\n", a / b }'
