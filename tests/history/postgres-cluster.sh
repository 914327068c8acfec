#!/bin/sh
# A throwaway PostgreSQL 15 cluster for the history's tests, on a loopback
# port, owned by an unprivileged user (postgres, when run as root):
#   postgres-cluster.sh start STATE   makes and starts it; STATE (a file) then
#                                     holds its folder, connection and pgpass
#   postgres-cluster.sh pause STATE   stops the server, keeping its data
#   postgres-cluster.sh resume STATE  starts it again on the same port
#   postgres-cluster.sh stop STATE    stops it and removes everything
# As the README tells a shop: the cluster's superuser (kestrune_admin) makes
# a login role `desk`, no superuser, and each test's database is made owned
# by it; tests connect as desk, its password only in the pgpass file.
set -eu
action=$1
state=$2
bin=/usr/lib/postgresql/15/bin

as_owner() {
  if [ "$(id -u)" = 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

field() { sed -n "s/^$1=//p" "$state"; }

start_server() {
  as_owner "$bin/pg_ctl" -D "$1/data" -l "$1/server.log" -w -t 30 \
    -o "-p $2 -k $1 -c listen_addresses=127.0.0.1 -c fsync=off -c max_connections=40" start >/dev/null
}

case $action in
start)
  [ -x "$bin/initdb" ] || { echo "no PostgreSQL 15 at $bin (apt install postgresql-15)" >&2; exit 1; }
  dir=$(mktemp -d /tmp/kestrune-pg.XXXXXX)
  chmod 755 "$dir"
  password=$(od -An -N16 -tx1 /dev/urandom | tr -d ' \n')
  printf '%s\n' "$password" >"$dir/pwfile"
  [ "$(id -u)" = 0 ] && chown postgres "$dir" "$dir/pwfile"
  as_owner "$bin/initdb" -D "$dir/data" -A scram-sha-256 --pwfile="$dir/pwfile" -U kestrune_admin \
    -E UTF8 --locale=C.UTF-8 --no-sync >"$dir/initdb.log" 2>&1 \
    || { cat "$dir/initdb.log" >&2; exit 1; }
  rm -f "$dir/pwfile"
  # A port from the process number; another if it is taken.
  started=
  for try in 1 2 3 4 5 6; do
    port=$((20000 + ($$ * 7 + try * 1013) % 30000))
    if start_server "$dir" "$port" 2>/dev/null; then started=yes; break; fi
  done
  [ -n "$started" ] || { cat "$dir/server.log" >&2; exit 1; }
  umask 077
  desk=$(od -An -N16 -tx1 /dev/urandom | tr -d ' \n')
  printf '127.0.0.1:%s:*:kestrune_admin:%s\n127.0.0.1:%s:*:desk:%s\n' \
    "$port" "$password" "$port" "$desk" >"$dir/pgpass"
  PGPASSFILE="$dir/pgpass" "$bin/psql" -q -h 127.0.0.1 -p "$port" -U kestrune_admin -d postgres \
    -v ON_ERROR_STOP=1 -c "CREATE ROLE desk LOGIN PASSWORD '$desk'" >/dev/null
  printf 'dir=%s\nport=%s\nconnection=host=127.0.0.1 port=%s user=desk\n' \
    "$dir" "$port" "$port" >"$state"
  printf 'admin=host=127.0.0.1 port=%s user=kestrune_admin\npgpass=%s\n' \
    "$port" "$dir/pgpass" >>"$state"
  ;;
pause)
  as_owner "$bin/pg_ctl" -D "$(field dir)/data" -m fast -w stop >/dev/null
  ;;
resume)
  start_server "$(field dir)" "$(field port)"
  ;;
stop)
  [ -f "$state" ] || exit 0
  dir=$(field dir)
  as_owner "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
  case $dir in /tmp/kestrune-pg.*) rm -rf "$dir" ;; esac
  rm -f "$state"
  ;;
*)
  echo "usage: $0 start|pause|resume|stop STATE" >&2
  exit 2
  ;;
esac
