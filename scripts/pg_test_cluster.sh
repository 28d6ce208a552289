#!/usr/bin/env bash
# A throw-away PostgreSQL cluster for the test suites.
#
#   scripts/pg_test_cluster.sh start DIR   # initdb + start; writes DIR/env.sh
#   scripts/pg_test_cluster.sh stop DIR    # stops the server and removes the cluster
#
# The server runs as an unprivileged user (the "postgres" system user, or "quarrypg" made for
# the purpose, when this runs as root), listens on 127.0.0.1 only, on a free port, with no Unix
# socket, and takes password logins only: the password is random and lives in files readable by
# the caller alone. DIR/env.sh exports what the tests need:
#   ODBCSYSINI, ODBCINI        a private driver list and odbc.ini with the DSN "quarry_test"
#   QUARRY_TEST_POSTGRES       the connect string of the server's administrative database
#   PGHOST, PGPORT, PGUSER, PGDATABASE, PGPASSFILE   for psql
set -euo pipefail

action=${1:-}
dir=${2:-}
if [ -z "$action" ] || [ -z "$dir" ]; then
  echo "usage: $0 start|stop DIR" >&2
  exit 2
fi
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)

bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
if [ -z "$bindir" ] || [ ! -x "$bindir/initdb" ]; then
  echo "PostgreSQL server programs not found under /usr/lib/postgresql" >&2
  exit 1
fi

# Who runs the server: never root, which PostgreSQL refuses anyway.
runas=()
owner=$(id -un)
if [ "$(id -u)" -eq 0 ]; then
  if id postgres >/dev/null 2>&1; then
    owner=postgres
  else
    id quarrypg >/dev/null 2>&1 ||
      useradd --system --no-create-home --shell /usr/sbin/nologin quarrypg
    owner=quarrypg
  fi
  runas=(runuser -u "$owner" --)
fi

# The cluster lives under DIR unless the server's user cannot reach it (a build folder inside
# a private home folder); then in a private temporary folder, recorded in DIR/datadir.
data_dir() {
  if [ -f "$dir/datadir" ]; then cat "$dir/datadir"; else echo "$dir/data"; fi
}

stop_cluster() {
  local data
  data=$(data_dir)
  if [ -f "$data/postmaster.pid" ]; then
    "${runas[@]}" "$bindir/pg_ctl" -D "$data" -m fast -w -t 60 stop >/dev/null 2>&1 ||
      "${runas[@]}" "$bindir/pg_ctl" -D "$data" -m immediate -w stop >/dev/null 2>&1 || true
  fi
  rm -rf "$data"
  rm -f "$dir/datadir" "$dir/env.sh" "$dir/odbc.ini" "$dir/odbcinst.ini" "$dir/pgpass"
}

start_cluster() {
  stop_cluster  # whatever an interrupted run left behind
  local data="$dir/data"
  mkdir -p "$data"
  if [ ${#runas[@]} -gt 0 ]; then
    chown "$owner" "$data"
    if ! "${runas[@]}" test -w "$data"; then
      rmdir "$data"
      data=$(mktemp -d /tmp/quarry-pg.XXXXXX)
      chown "$owner" "$data"
      echo "$data" >"$dir/datadir"
      echo "note: $owner cannot reach $dir; the test cluster lives in $data"
    fi
  fi
  chmod 700 "$data"

  local password
  password=$(head -c 18 /dev/urandom | od -An -tx1 | tr -d ' \n')
  local pwfile
  pwfile=$(mktemp)
  printf '%s\n' "$password" >"$pwfile"
  if [ ${#runas[@]} -gt 0 ]; then chown "$owner" "$pwfile"; fi
  chmod 600 "$pwfile"
  # C collation: ORDER BY and GROUP BY sort text byte by byte, as SQLite does.
  if ! "${runas[@]}" "$bindir/initdb" -D "$data" -U quarry --pwfile="$pwfile" \
      --auth=scram-sha-256 --encoding=UTF8 --locale=C --no-sync >"$dir/initdb.log" 2>&1; then
    rm -f "$pwfile"
    cat "$dir/initdb.log" >&2
    return 1
  fi
  rm -f "$pwfile"

  cat >>"$data/postgresql.conf" <<'EOF'
# quarry test cluster: loopback only, no socket, durability traded for speed
listen_addresses = '127.0.0.1'
unix_socket_directories = ''
fsync = off
synchronous_commit = off
full_page_writes = off
max_connections = 100
EOF

  # A free port; another cluster may take it first, so a failed start tries the next one.
  local port="" started=0 attempt
  for attempt in 1 2 3 4 5 6 7 8; do
    port=$(shuf -i 20000-60000 -n 1)
    if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then continue; fi
    if "${runas[@]}" "$bindir/pg_ctl" -D "$data" -o "-p $port" -l "$data/server.log" -w -t 60 \
        start >/dev/null 2>&1; then
      started=1
      break
    fi
  done
  if [ "$started" -ne 1 ]; then
    echo "the PostgreSQL test cluster did not start:" >&2
    cat "$data/server.log" >&2 || true
    return 1
  fi

  # The driver list of the system, with the PostgreSQL drivers' traffic logs switched off (the
  # packaged entries turn CommLog on, which writes every statement to a file).
  local sysini
  sysini=$(odbcinst -j 2>/dev/null | sed -n 's/^DRIVERS[.]*: //p')
  [ -n "$sysini" ] || sysini=/etc/odbcinst.ini
  sed -e 's/^CommLog=.*/CommLog=0/' -e 's/^Debug=.*/Debug=0/' "$sysini" >"$dir/odbcinst.ini"

  (
    umask 077
    cat >"$dir/odbc.ini" <<EOF
[quarry_test]
Driver=PostgreSQL Unicode
Servername=127.0.0.1
Port=$port
Database=postgres
Username=quarry
Password=$password
EOF
    echo "127.0.0.1:$port:*:quarry:$password" >"$dir/pgpass"
    cat >"$dir/env.sh" <<EOF
export ODBCSYSINI='$dir'
export ODBCINI='$dir/odbc.ini'
export QUARRY_TEST_POSTGRES='DSN=quarry_test'
export PGHOST=127.0.0.1 PGPORT=$port PGUSER=quarry PGDATABASE=postgres PGPASSFILE='$dir/pgpass'
EOF
  )
  echo "PostgreSQL test cluster on 127.0.0.1:$port ($data, run by $owner)"
}

case "$action" in
  start) start_cluster ;;
  stop) stop_cluster ;;
  *)
    echo "usage: $0 start|stop DIR" >&2
    exit 2
    ;;
esac
