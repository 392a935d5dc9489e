#!/bin/bash
# Starts or stops the two throwaway PostgreSQL clusters of the tests (the
# "left" and the "right" server), each with database ag2, user sa/573 and the
# schema. PostgreSQL refuses to run as root, so the clusters run as postgres.
#   pg-test-servers.sh start DIR LEFT_PORT RIGHT_PORT SCHEMA_SQL
#   pg-test-servers.sh stop DIR
set -euo pipefail
cmd=$1; dir=$2
bindir=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -1)
as_pg() {
  if [ "$(id -u)" = 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}
stop_all() {
  for c in "$dir"/left "$dir"/right; do
    if [ -f "$c/postmaster.pid" ]; then as_pg "$bindir/pg_ctl" -D "$c" -m immediate -w stop >/dev/null 2>&1 || true; fi
  done
}
case "$cmd" in
start)
  lport=$3; rport=$4; schema=$5
  stop_all
  rm -rf "$dir"; mkdir -p "$dir"
  [ "$(id -u)" = 0 ] && chown postgres "$dir"
  pwfile="$dir/pw"; echo 573 > "$pwfile"; [ "$(id -u)" = 0 ] && chown postgres "$pwfile"
  for side in left right; do
    port=$lport; [ $side = right ] && port=$rport
    c="$dir/$side"
    as_pg "$bindir/initdb" -D "$c" -U sa --pwfile="$pwfile" -A scram-sha-256 -E UTF8 --locale=C.UTF-8 >/dev/null
    cat >> "$c/postgresql.conf" <<CONF
listen_addresses = '127.0.0.1'
port = $port
unix_socket_directories = '$dir'
fsync = off
synchronous_commit = off
full_page_writes = off
CONF
    as_pg "$bindir/pg_ctl" -D "$c" -l "$dir/$side.log" -w start >/dev/null
    PGPASSWORD=573 "$bindir/psql" -q -h 127.0.0.1 -p $port -U sa -d postgres -c "create database ag2" >/dev/null
    PGPASSWORD=573 "$bindir/psql" -q -h 127.0.0.1 -p $port -U sa -d ag2 -v ON_ERROR_STOP=1 -f "$schema" >/dev/null
    echo "PostgreSQL test server $side on 127.0.0.1,$port"
  done
  ;;
stop)
  stop_all
  ;;
*) echo "usage: $0 start DIR LEFT RIGHT SCHEMA | stop DIR" >&2; exit 2 ;;
esac
