#!/bin/bash
# Starts (and stops) a throw-away PostgreSQL 15 cluster for the tests.
#
#   test-cluster.sh start DIR   initialise a cluster in DIR/data and start it,
#                               listening only on a Unix socket in DIR/socket;
#                               prints the shell lines that point the tests at it
#   test-cluster.sh stop DIR    stop it and remove DIR
#
# The cluster trusts every local login except two roles made for the login
# tests: "cardprint_pw" needs its password ("cardprint-pw"), which only a
# password file supplies, and "cardprint_nologin" may not log in at all.
# Run as root, the server runs as the "postgres" user (initdb refuses root).
# Needs Debian's package postgresql (version 15).
set -euo pipefail

BIN=${CARDPRINT_PG_BIN:-/usr/lib/postgresql/15/bin}
PORT=${CARDPRINT_TEST_PGPORT:-55432}

log() { echo "test-cluster: $*" >&2; }

as_owner() {
    if [ "$(id -u)" -eq 0 ]; then
        # From "/": the postgres user may not enter root's current folder.
        (cd / && runuser -u postgres -- "$@")
    else
        "$@"
    fi
}

start() {
    local dir=$1
    mkdir -p "$dir/data" "$dir/socket"
    chmod 755 "$dir"
    [ "$(id -u)" -eq 0 ] && chown -R postgres:postgres "$dir"
    as_owner "$BIN/initdb" -D "$dir/data" -U postgres --auth=trust --encoding=UTF8 --locale=C.UTF-8 >/dev/null
    cat >"$dir/data/pg_hba.conf" <<'EOF'
local all cardprint_pw scram-sha-256
local all all trust
EOF
    as_owner "$BIN/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
        -o "-c listen_addresses='' -k $dir/socket -p $PORT -c fsync=off -c max_connections=200" start >/dev/null \
        || { log "the server did not start:"; cat "$dir/server.log" >&2; return 1; }
    "$BIN/psql" -X -q -h "$dir/socket" -p "$PORT" -U postgres -d postgres -v ON_ERROR_STOP=1 <<'EOF'
CREATE ROLE cardprint_pw LOGIN CREATEDB PASSWORD 'cardprint-pw';
CREATE ROLE cardprint_nologin NOLOGIN;
EOF
    echo "export CARDPRINT_TEST_PGHOST=$dir/socket CARDPRINT_TEST_PGPORT=$PORT CARDPRINT_TEST_PGUSER=postgres"
}

stop() {
    local dir=$1
    if [ -f "$dir/data/postmaster.pid" ]; then
        as_owner "$BIN/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null || log "the server did not stop"
    fi
    rm -rf "$dir"
}

case "${1:-}" in
start) start "${2:?folder}" ;;
stop) stop "${2:?folder}" ;;
*)
    echo "usage: $0 start|stop DIR" >&2
    exit 2
    ;;
esac
