#!/usr/bin/env bash
# A throwaway local PostgreSQL cluster that plays the remote nodes of
# TarnRout, for the demo and the tests:
#
#   scripts/pgnodes.sh [--tls|--standby] start <dir> <tarnmknode> <sql dir>
#   scripts/pgnodes.sh stop|restart|kill|stop-primary|promote|bouncers <dir>
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
# --tls also listens on 127.0.0.1 at a free port (in <dir>/port), over TLS
# only, with a client certificate required: <dir>/tls holds a throwaway CA
# (ca.crt), another CA that signed nothing of this cluster (other-ca.crt),
# the server's certificate for 127.0.0.1 (and no host name) and the client
# certificate client.crt/client.key.
# --standby also listens on 127.0.0.1 at a free port (<dir>/port) and
# starts a streaming standby of it (pg_basebackup -R) at another one
# (<dir>/standby-port); stop-primary stops the primary abruptly and promote
# makes the standby the new primary. With either, clients on the socket
# give the port too (PGPORT).
# bouncers starts two PgBouncers in front of a running cluster, run as the
# cluster's owner on free ports of 127.0.0.1: one pooling by transaction
# (port in <dir>/bouncer-transaction.port), one by session
# (bouncer-session.port); each serves every database of the cluster to
# tarn_admin and tarn_reader. stop stops them too.
# The server refuses to run as root: under root, the cluster runs as the
# account postgres that Debian's package creates. kill stops the server
# abruptly (immediate mode), as a crash would.
set -euo pipefail

usage() {
  echo "usage: $0 [--tls|--standby] start <dir> <tarnmknode> <sql dir>" \
    "| stop|restart|kill|stop-primary|promote|bouncers <dir>" >&2
  exit 2
}
mode=
case ${1:-} in --tls | --standby) mode=${1#--}; shift ;; esac
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
standby_ctl() { as_owner "$bin/pg_ctl" -D "$dir/standby" -l "$dir/standby.log" "$@"; }

# A TCP port of 127.0.0.1 that nothing listens on now.
free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# PgBouncers in front of the cluster's socket, one per pooling mode, their
# files in the cluster's private folder (the owner reaches it).
start_bouncers() {
  local socket run mode port owner
  socket=$(readlink -f "$dir/socket")
  run=$(dirname "$socket")/bouncer
  owner=$(stat -c %U "$socket")
  install -d -o "$owner" -m 700 "$run"
  printf '"%s" "%s"\n' tarn_admin tarn-admin-pw tarn_reader tarn-reader-pw >"$run/users.txt"
  for mode in transaction session; do
    port=$(free_port)
    cat >"$run/$mode.ini" <<EOF
[databases]
* = host=$socket port=5432
[pgbouncer]
listen_addr = 127.0.0.1
listen_port = $port
unix_socket_dir =
auth_type = scram-sha-256
auth_file = $run/users.txt
pool_mode = $mode
pidfile = $run/$mode.pid
logfile = $run/$mode.log
EOF
    chown -R "$owner" "$run"
    as_owner pgbouncer -d -q "$run/$mode.ini"
    echo "$port" >"$dir/bouncer-$mode.port"
  done
}

stop_bouncers() {
  local pidfile
  for pidfile in "$(dirname "$(readlink -f "$dir/socket")")"/bouncer/*.pid; do
    [ -e "$pidfile" ] && kill "$(cat "$pidfile")" 2>/dev/null || true
  done
}

case $action in
  bouncers) start_bouncers; exit 0 ;;
  stop)
    stop_bouncers
    [ -e "$dir/standby/PG_VERSION" ] && standby_ctl -m fast -w stop >/dev/null 2>&1 || true
    [ -e "$dir/cluster/PG_VERSION" ] && pg_ctl -m fast -w stop >/dev/null 2>&1 || true
    remove_private
    exit 0 ;;
  restart) pg_ctl -m fast -w restart >/dev/null; exit 0 ;;
  kill) pg_ctl -m immediate -w stop >/dev/null; pg_ctl -w start >/dev/null; exit 0 ;;
  stop-primary) pg_ctl -m immediate -w stop >/dev/null; exit 0 ;;
  promote) standby_ctl -w promote >/dev/null; exit 0 ;;
  start) [ $# -eq 4 ] || usage ;;
  *) usage ;;
esac
tarnmknode=$3
sqldir=$4

# A cluster left running by an earlier run goes first.
[ -e "$dir/standby/PG_VERSION" ] && standby_ctl -m immediate -w stop >/dev/null 2>&1 || true
[ -e "$dir/cluster/PG_VERSION" ] && pg_ctl -m immediate -w stop >/dev/null 2>&1 || true
remove_private
rm -rf "$dir/cluster" "$dir/socket" "$dir/standby" "$dir/tls" "$dir/port" "$dir/standby-port"

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

# The CA, the other CA, the server's and the client's certificates, and a
# server that takes TCP connections over TLS only, with a client
# certificate signed by the CA.
make_tls() {
  local tls="$dir/tls" conf="$dir/cluster" owner
  owner=$(stat -c %U "$dir/cluster/")
  mkdir -p "$tls"
  for ca in ca other-ca; do
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Tarn test $ca" \
      -keyout "$tls/$ca.key" -out "$tls/$ca.crt" 2>/dev/null
  done
  openssl req -newkey rsa:2048 -nodes -subj "/CN=127.0.0.1" -keyout "$tls/server.key" -out "$tls/server.csr" 2>/dev/null
  printf 'subjectAltName = IP:127.0.0.1\n' >"$tls/server.ext"
  openssl x509 -req -in "$tls/server.csr" -CA "$tls/ca.crt" -CAkey "$tls/ca.key" -CAcreateserial -days 2 \
    -extfile "$tls/server.ext" -out "$tls/server.crt" 2>/dev/null
  openssl req -newkey rsa:2048 -nodes -subj "/CN=tarn_admin" -keyout "$tls/client.key" -out "$tls/client.csr" 2>/dev/null
  openssl x509 -req -in "$tls/client.csr" -CA "$tls/ca.crt" -CAkey "$tls/ca.key" -CAcreateserial -days 2 \
    -out "$tls/client.crt" 2>/dev/null
  chmod 600 "$tls"/*.key
  install -o "$owner" -m 600 "$tls/server.key" "$conf/server.key"
  install -o "$owner" -m 644 "$tls/server.crt" "$conf/server.crt"
  install -o "$owner" -m 644 "$tls/ca.crt" "$conf/root.crt"
  echo "hostssl all all 127.0.0.1/32 scram-sha-256 clientcert=verify-ca" >>"$conf/pg_hba.conf"
  printf '%s\n' "ssl = on" "ssl_cert_file = 'server.crt'" "ssl_key_file = 'server.key'" "ssl_ca_file = 'root.crt'" |
    as_owner tee -a "$conf/postgresql.conf" >/dev/null
}

# A streaming standby of the running primary, made by pg_basebackup -R as
# tarn_repl, on a port of its own.
make_standby() {
  local where standby_port
  psql_super -c "CREATE ROLE tarn_repl LOGIN REPLICATION PASSWORD 'tarn-repl-pw'"
  where=$(dirname "$(readlink -f "$dir/cluster")")
  if [ "$where/standby" != "$dir/standby" ]; then ln -sfn "$where/standby" "$dir/standby"; fi
  if [ "$(id -u)" -eq 0 ]; then
    install -d -o postgres -m 700 "$where/standby"
    touch "$dir/standby.log" && chown postgres "$dir/standby.log"
  fi
  as_owner env PGPASSWORD=tarn-repl-pw "$bin/pg_basebackup" -h 127.0.0.1 -p "$port" -U tarn_repl \
    -D "$dir/standby" -R -X stream -c fast >/dev/null
  standby_port=$(free_port)
  echo "$standby_port" >"$dir/standby-port"
  echo "port = $standby_port" | as_owner tee -a "$dir/standby/postgresql.conf" >/dev/null
  standby_ctl -w start >/dev/null
}

as_owner "$bin/initdb" -D "$dir/cluster" -U "$superuser" -E UTF8 --locale=C -A peer >/dev/null
cat >"$dir/cluster/pg_hba.conf" <<EOF
local all $superuser peer
local all all scram-sha-256
EOF
listen=
port=5432
if [ -n "$mode" ]; then
  listen=127.0.0.1
  port=$(free_port)
  echo "$port" >"$dir/port"
fi
export PGPORT=$port  # the socket's name carries the port too
case $mode in
  tls) make_tls ;;
  standby) printf '%s\n' "host replication tarn_repl 127.0.0.1/32 scram-sha-256" \
    "host all all 127.0.0.1/32 scram-sha-256" >>"$dir/cluster/pg_hba.conf" ;;
esac
as_owner tee -a "$dir/cluster/postgresql.conf" >/dev/null <<EOF
listen_addresses = '$listen'
port = $port
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
if [ "$mode" = standby ]; then make_standby; fi
echo "pgnodes: cluster running in $dir (socket $socket); PGPASSFILE=$dir/pgpass, node map $dir/nodes.conf"
