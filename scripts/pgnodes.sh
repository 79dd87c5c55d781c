#!/usr/bin/env bash
# A throwaway local PostgreSQL cluster that plays the remote nodes of
# TarnRout, for the demo and the tests:
#
#   scripts/pgnodes.sh start <dir> <tarnmknode> <sql dir>
#   scripts/pgnodes.sh stop|restart|kill <dir>
#
# start makes <dir>/cluster with initdb, listening on a Unix socket in
# <dir>/socket only (no TCP port), starts it and creates:
#   - the roles tarn_admin (owns the nodes, may create databases and end
#     other sessions) and tarn_reader (may only read), both with passwords
#     checked by SCRAM-SHA-256;
#   - the nodes DEMO and DEMO2, two databases made by tarnmknode --pg from
#     <sql dir>/schema.sql and seed.sql, and LOCAL (the node map of
#     local.sql), each UTF8 with LC_CTYPE C.UTF-8 and owned by tarn_admin;
#     tarn_reader gets SELECT on their tables;
#   - <dir>/nodes.conf, the node map: DEMO, DEMO2 and LOCAL, each reached
#     as tarn_reader (least privilege: without a logon a request may only
#     read; writes need a logon as tarn_admin), and <dir>/pgpass, the libpq
#     password file for both roles (PGPASSFILE=<dir>/pgpass).
# The server refuses to run as root: under root, the cluster runs as the
# account postgres that Debian's package creates. kill stops the server
# abruptly (immediate mode), as a crash would.
set -euo pipefail

usage() { echo "usage: $0 start <dir> <tarnmknode> <sql dir> | stop|restart|kill <dir>" >&2; exit 2; }
[ $# -ge 2 ] || usage
action=$1
dir=$(mkdir -p "$2" && cd "$2" && pwd)
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
[ -x "$bin/initdb" ] || { echo "$0: PostgreSQL's server is not installed (scripts/setup.sh)" >&2; exit 1; }

# Runs a command as the cluster's owner.
as_owner() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

# Removes the private folder of the socket (and of a cluster kept there).
remove_private() {
  if [ -L "$dir/socket" ]; then
    local private
    private=$(dirname "$(readlink "$dir/socket")")
    case $private in */tarn-pg.*) rm -rf "$private" ;; esac
    rm -f "$dir/socket"
  fi
}

pg_ctl() { as_owner "$bin/pg_ctl" -D "$dir/cluster" -l "$dir/server.log" "$@"; }

case $action in
  stop)
    [ -e "$dir/cluster/PG_VERSION" ] && pg_ctl -m fast -w stop >/dev/null || true
    remove_private
    exit 0 ;;
  restart) pg_ctl -m fast -w restart >/dev/null; exit 0 ;;
  kill) pg_ctl -m immediate -w stop >/dev/null; pg_ctl -w start >/dev/null; exit 0 ;;
  start) [ $# -eq 4 ] || usage ;;
  *) usage ;;
esac
tarnmknode=$3
sqldir=$4

# A cluster left running by an earlier run goes first.
[ -e "$dir/cluster/PG_VERSION" ] && pg_ctl -m immediate -w stop >/dev/null 2>&1 || true
remove_private
rm -rf "$dir/cluster" "$dir/socket"

# The socket lives in a short private folder (socket paths are limited to
# about 100 characters), reached through the link <dir>/socket. The owner
# must reach the cluster's folder; when it cannot (a checkout under a
# private home), the cluster lives in that private folder too.
private=$(mktemp -d "${TMPDIR:-/tmp}/tarn-pg.XXXXXX")
chmod 755 "$private"
mkdir "$private/socket"
ln -sfn "$private/socket" "$dir/socket"
if [ "$(id -u)" -eq 0 ]; then
  chown postgres "$private/socket"
  mkdir -p "$dir/cluster.probe"
  if chown postgres "$dir/cluster.probe" && runuser -u postgres -- test -w "$dir/cluster.probe" 2>/dev/null; then
    install -d -o postgres -m 700 "$dir/cluster"
  else
    install -d -o postgres -m 700 "$private/cluster"
    ln -sfn "$private/cluster" "$dir/cluster"
  fi
  rmdir "$dir/cluster.probe"
  touch "$dir/server.log" && chown postgres "$dir/server.log"
fi
socket="$private/socket"
superuser=$( [ "$(id -u)" -eq 0 ] && echo postgres || id -un )

as_owner "$bin/initdb" -D "$dir/cluster" -U "$superuser" -E UTF8 --locale=C -A peer >/dev/null
cat >"$dir/cluster/pg_hba.conf" <<EOF
local all $superuser peer
local all all scram-sha-256
EOF
as_owner tee -a "$dir/cluster/postgresql.conf" >/dev/null <<EOF
listen_addresses = ''
unix_socket_directories = '$socket'
password_encryption = 'scram-sha-256'
fsync = off
full_page_writes = off
max_connections = 60
EOF
pg_ctl -w start >/dev/null

psql_super() { as_owner psql -X -q -v ON_ERROR_STOP=1 -h "$socket" -U "$superuser" -d postgres "$@"; }
psql_super <<'EOF'
CREATE ROLE tarn_admin LOGIN CREATEDB PASSWORD 'tarn-admin-pw';
CREATE ROLE tarn_reader LOGIN PASSWORD 'tarn-reader-pw';
GRANT pg_signal_backend TO tarn_admin;
EOF

umask 077
printf '%s\n' "*:*:*:tarn_admin:tarn-admin-pw" "*:*:*:tarn_reader:tarn-reader-pw" >"$dir/pgpass"
cat >"$dir/nodes.conf" <<EOF
# Node map of the local demo cluster (libpq service-file format). Requests
# without a logon act as the read-only role; log on as tarn_admin to write.
[DEMO]
host=$socket
dbname=DEMO
user=tarn_reader

[DEMO2]
host=$socket
dbname=DEMO2
user=tarn_reader

[LOCAL]
host=$socket
dbname=LOCAL
user=tarn_reader
EOF
umask 022

export PGPASSFILE="$dir/pgpass"
for node in DEMO DEMO2; do
  "$tarnmknode" --force --pg "host=$socket dbname=$node user=tarn_admin" "$dir" "$node" \
    "$sqldir/schema.sql" "$sqldir/seed.sql" >/dev/null
done
"$tarnmknode" --force --pg "host=$socket dbname=LOCAL user=tarn_admin" "$dir" LOCAL "$sqldir/local.sql" >/dev/null
for node in DEMO DEMO2 LOCAL; do
  psql -X -q -v ON_ERROR_STOP=1 "host=$socket dbname=$node user=tarn_admin" \
    -c "GRANT USAGE ON SCHEMA public TO tarn_reader; GRANT SELECT ON ALL TABLES IN SCHEMA public TO tarn_reader"
done
echo "pgnodes: cluster running in $dir (socket $socket); PGPASSFILE=$dir/pgpass, node map $dir/nodes.conf"
