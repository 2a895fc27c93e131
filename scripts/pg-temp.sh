#!/bin/sh
# A throwaway PostgreSQL server for the tests, in a directory of its own:
#
#   scripts/pg-temp.sh start DIR   initdb into DIR, start on a free loopback port and
#                                  write the libpq connection ("host=... port=... user=...")
#                                  to DIR/conexao; prints it
#   scripts/pg-temp.sh stop DIR    stop the server and delete DIR
#   scripts/pg-temp.sh available   exit 0 when a server can be started here
#
# As root the server runs as the postgres user (initdb refuses root). Durability is
# switched off: the data lives for one test run. CL_PG_TEMP_OPCOES adds server options,
# e.g. "-c log_min_duration_statement=0" to log every statement's time in
# DIR/servidor.log while profiling.
set -eu

acao="${1:-}"
dir="${2:-}"

bin_pg() {
  for d in /usr/lib/postgresql/*/bin; do
    if [ -x "$d/initdb" ] && [ -x "$d/pg_ctl" ]; then
      echo "$d"
      return 0
    fi
  done
  if command -v initdb >/dev/null 2>&1; then
    dirname "$(command -v initdb)"
    return 0
  fi
  return 1
}

como_dono() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

case "$acao" in
  available)
    bin_pg >/dev/null || exit 1
    if [ "$(id -u)" -eq 0 ]; then id postgres >/dev/null 2>&1 || exit 1; fi
    exit 0
    ;;
  start)
    [ -n "$dir" ] || { echo "uso: $0 start DIR" >&2; exit 2; }
    bin="$(bin_pg)" || { echo "PostgreSQL não encontrado (scripts/install-deps.sh o instala)" >&2; exit 1; }
    # A server left by an interrupted run goes first.
    if [ -f "$dir/dados/postmaster.pid" ]; then como_dono "$bin/pg_ctl" -D "$dir/dados" -m immediate stop >/dev/null 2>&1 || true; fi
    rm -rf "$dir"
    mkdir -p "$dir"
    if [ "$(id -u)" -eq 0 ]; then chown postgres "$dir"; fi
    como_dono "$bin/initdb" -D "$dir/dados" -U postgres -A trust --no-locale -E UTF8 >"$dir/initdb.log" 2>&1 || {
      cat "$dir/initdb.log" >&2
      exit 1
    }
    # A free port: a random start, the next one when the server cannot listen there.
    porta=$(( 20000 + $$ % 20000 ))
    tentativas=0
    while :; do
      if como_dono "$bin/pg_ctl" -D "$dir/dados" -l "$dir/servidor.log" -w -t 30 \
        -o "-p $porta -c listen_addresses=127.0.0.1 -c unix_socket_directories=$dir -c fsync=off \
-c synchronous_commit=off -c full_page_writes=off -c max_connections=200 -c shared_buffers=64MB \
${CL_PG_TEMP_OPCOES:-}" \
        start >/dev/null 2>&1; then
        break
      fi
      tentativas=$((tentativas + 1))
      if [ "$tentativas" -ge 10 ]; then
        cat "$dir/servidor.log" >&2 || true
        exit 1
      fi
      porta=$((porta + 7))
    done
    echo "host=127.0.0.1 port=$porta user=postgres" >"$dir/conexao"
    cat "$dir/conexao"
    ;;
  stop)
    [ -n "$dir" ] || { echo "uso: $0 stop DIR" >&2; exit 2; }
    if [ -f "$dir/dados/postmaster.pid" ]; then
      bin="$(bin_pg)"
      como_dono "$bin/pg_ctl" -D "$dir/dados" -m fast -w stop >/dev/null 2>&1 || true
    fi
    rm -rf "$dir"
    ;;
  *)
    echo "uso: $0 start|stop DIR | available" >&2
    exit 2
    ;;
esac
