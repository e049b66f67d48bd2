#!/usr/bin/env bash
# The PostgreSQL server of the customer-archive tests: pg-server.sh start|stop DIR.
# A fresh cluster in a new short folder under /tmp (a socket path is limited to 107 bytes, and
# the server's user must be able to reach it), listening only on a Unix socket there (no TCP
# port), with trust authentication for the user "zov". DIR/host names that folder: the tests read
# it and connect through the socket. initdb refuses to run as root, so under root the server runs
# as the user "nobody" (runuser), in a folder it owns. A server that cannot start fails the run.
# One more user, "zov_pw", must give its password ("zov-secret"), so the tests can see a wrong
# or missing password refused.
set -euo pipefail
cmd=${1:?start or stop}
dir=${2:?folder}
bin=${ZOV_PG_BIN:-$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)}
if [ -z "$bin" ] || [ ! -x "$bin/initdb" ]; then
  echo "pg-server.sh: PostgreSQL's server programs (initdb, pg_ctl) are not installed; scripts/install-deps installs them" >&2
  exit 1
fi
as=()
if [ "$(id -u)" = 0 ]; then as=(runuser -u nobody --); fi

stop() {
  [ -f "$dir/host" ] || return 0
  local server
  server=$(cat "$dir/host")
  case $server in /tmp/zovpg.*) ;; *) return 0 ;; esac
  if [ -f "$server/data/postmaster.pid" ]; then
    "${as[@]}" "$bin/pg_ctl" -D "$server/data" -m immediate -w stop >/dev/null 2>&1 || true
  fi
  rm -rf "$server"
}

case $cmd in
  start)
    stop
    rm -rf "$dir"
    mkdir -p "$dir"
    server=$(mktemp -d /tmp/zovpg.XXXXXX)
    echo "$server" >"$dir/host"
    chmod 0755 "$server"
    if [ ${#as[@]} -gt 0 ]; then chown nobody "$server"; fi
    if ! "${as[@]}" "$bin/initdb" -D "$server/data" -U zov --auth=trust -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1; then
      echo "pg-server.sh: initdb failed:" >&2
      cat "$dir/initdb.log" >&2
      exit 1
    fi
    "${as[@]}" sed -i '1i local all zov_pw scram-sha-256' "$server/data/pg_hba.conf"
    if ! "${as[@]}" "$bin/pg_ctl" -D "$server/data" -l "$server/server.log" -w -t 60 \
        -o "-k $server -c listen_addresses= -c fsync=off" start >/dev/null; then
      echo "pg-server.sh: the server did not start:" >&2
      cat "$server/server.log" >&2
      exit 1
    fi
    if ! "${as[@]}" "$bin/psql" -q -h "$server" -U zov -d postgres \
        -c "CREATE ROLE zov_pw LOGIN PASSWORD 'zov-secret'" >"$dir/role.log" 2>&1; then
      echo "pg-server.sh: the user zov_pw could not be made:" >&2
      cat "$dir/role.log" >&2
      exit 1
    fi
    echo "pg-server.sh: server on socket folder $server"
    ;;
  stop)
    stop
    rm -rf "$dir"
    ;;
  *)
    echo "usage: pg-server.sh start|stop DIR" >&2
    exit 2
    ;;
esac
