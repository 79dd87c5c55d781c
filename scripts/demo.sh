#!/usr/bin/env bash
# Builds the example application (examples/demo.c) and tarnadm with what
# they load, and runs them. The build directory is build/ (configured as
# scripts/test.sh configures it), or $TARN_BUILD_DIR. Set TARN_TRACE=stderr
# to see the library's trace as well.
#
#   scripts/demo.sh            the embedded demo: a fresh copy of the demo
#                              data in <build>/demo-run/, requests carried out
#                              by the demo router TarnRpdb on SQLite nodes;
#                              then a short tarnadm session on the same node
#   scripts/demo.sh --remote   the library's default route: DEMO_ROUTER unset,
#                              requests carried out by TarnRout on a throwaway
#                              local PostgreSQL cluster (scripts/pgnodes.sh in
#                              <build>/pgnodes/, stopped afterwards), the node
#                              map in <build>/demo-remote/nodes.conf. The map
#                              reaches the nodes as the read-only role: the
#                              application logs on as tarn_admin for its
#                              changes, and a tarnadm session shows a write
#                              refused without a logon and allowed with one.
#   scripts/demo.sh --web      the web console tarnweb on a fresh copy of the
#                              demo data in <build>/demo-web/: prints the URL
#                              and the demo credentials, serves until Ctrl-C
#   scripts/demo.sh --web --remote   the same on the PostgreSQL demo nodes
#                              (the throwaway cluster, stopped at the end)
# tarnweb listens on $TARNWEB_LISTEN, else 127.0.0.1:8470.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
. scripts/common.sh
build="${TARN_BUILD_DIR:-build}"
tarn_configure "$build"
if [ "${1:-}" = "--web" ]; then
  listen="${TARNWEB_LISTEN:-127.0.0.1:8470}"
  web="$build/demo-web"
  rm -rf "$web"
  if [ "${2:-}" = "--remote" ]; then
    tarn_build "$build" tarnweb TarnRout tarnmknode TarnObjs TarnStrings kvsenv kvscomn
    trap 'scripts/pgnodes.sh stop "$build/pgnodes"' EXIT
    scripts/pgnodes.sh start "$build/pgnodes" "$build/bin/tarnmknode" data
    mkdir -p "$web"
    cp data/tarnobjs.dat "$build/pgnodes/nodes.conf" "$web/"
    export PGPASSFILE="$PWD/$build/pgnodes/pgpass"
    router=remote user=tarn_admin password=tarn-admin-pw
  else
    tarn_build "$build" tarnweb demo_data TarnRpdb TarnObjs TarnStrings kvsenv kvscomn
    cp -r "$build/demo-data" "$web"
    router=demo user=DEMO password=demo
  fi
  echo "== tarnweb on the node DEMO ($router router), data in $web"
  echo "   Open the URL below and log on: node DEMO, user $user, password $password"
  echo "   (the demo's credentials, not secrets). Ctrl-C stops the console."
  # Ctrl-C or a TERM to this script stops the console, which logs every session off.
  "$build/bin/tarnweb" --data-dir "$PWD/$web" --router "$router" --listen "$listen" --access-log "$web/access.log" &
  console=$!
  trap 'kill -TERM "$console" 2>/dev/null || true' INT TERM
  status=0
  wait "$console" || status=$?
  if ((status > 128)); then wait "$console" || status=$?; fi
  exit "$status"
fi

# Prints a tarnadm command line, then runs it; `refused` expects it to fail.
show() {
  printf '\n$ tarnadm'
  local word
  for word in "$@"; do
    if [[ $word =~ ^[A-Za-z0-9_./=,:@-]+$ ]]; then printf ' %s' "$word"; else printf " '%s'" "$word"; fi
  done
  printf '\n'
}
step() { show "$@"; "${tarnadm[@]}" "$@"; }
refused() {
  show "$@"
  if "${tarnadm[@]}" "$@"; then echo "demo: that should have been refused" >&2; exit 1; fi
}

if [ "${1:-}" = "--remote" ]; then
  tarn_build "$build" tarndemo tarnadm TarnRout tarnmknode
  trap 'scripts/pgnodes.sh stop "$build/pgnodes"' EXIT
  scripts/pgnodes.sh start "$build/pgnodes" "$build/bin/tarnmknode" data
  work="$PWD/$build/demo-remote"
  rm -rf "$work"
  mkdir -p "$work/run"
  chmod 700 "$work/run"
  cp data/tarnobjs.dat "$build/pgnodes/nodes.conf" "$work/"
  export TARN_DATA_DIR="$work" PGPASSFILE="$PWD/$build/pgnodes/pgpass" XDG_RUNTIME_DIR="$work/run"
  unset DEMO_ROUTER
  # The demo cluster's administrator password (not a secret: a throwaway cluster).
  TARN_PASSWORD=tarn-admin-pw "$build/bin/tarndemo" --logon tarn_admin

  echo
  echo "== tarnadm on the node DEMO: the map acts as tarn_reader, a logon as tarn_admin"
  tarnadm=("$(cd "$build/bin" && pwd)/tarnadm" --node DEMO)
  (umask 077 && echo tarn-admin-pw >"$work/admin-password")
  step list PRINTER 'LOCATION=BLDG A*'
  refused alter PRINTER LASER1 COPIES=3
  step logon DEMO tarn_admin --password-file "$work/admin-password"
  step alter PRINTER LASER1 COPIES=3
  step sessions
  step logoff DEMO
  refused alter PRINTER LASER1 COPIES=4
  exit
fi
tarn_build "$build" tarndemo tarnadm
cmake -DDEMO="$build/bin/tarndemo" -DDATA="$build/demo-data" -DWORK="$build/demo-run" -DKEEP=ON \
  -P examples/run_demo.cmake

# Then a short session of the administrator's tool on the same node.
work="$(cd "$build/demo-run" && pwd)"
tarnadm=("$(cd "$build/bin" && pwd)/tarnadm" --router demo --data-dir "$work" --node DEMO)
echo
echo "== tarnadm on the node DEMO"
step objects
step describe PRINTER --fields NAME,LABEL,TYPE,MAX_LENGTH,KEY,DEFAULT,VALID_VALUES
step list PRINTER
step define PRINTER NAME=LASER7 STATUS=Offline COPIES=2 "LOCATION=BLDG E" "DESCRIPTION=Added by tarnadm"
step show PRINTER LASER7 -o json
step export PRINTER "$work/laser7.rdw" NAME=LASER7
step delete PRINTER LASER7
step import PRINTER "$work/laser7.rdw"
step list PRINTER 'NAME=LASER*' -o csv
cat <<EOT

Run tarnadm by hand on the same data:
  ${tarnadm[*]} list PRINTER
  ${tarnadm[*]}            # the interactive shell
  ${tarnadm[*]} --help
EOT
