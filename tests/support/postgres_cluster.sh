#!/usr/bin/env bash
# A throwaway PostgreSQL cluster for one test run: "start DIR" makes it in DIR (initdb, a
# Unix socket in DIR, a free loopback port, no syncs) and writes the libpq keyword string
# that reaches it to DIR/server; "stop DIR" stops it and removes DIR. PostgreSQL refuses to
# run as root, so under root it runs as the postgres user that Debian's package creates.
# Without PostgreSQL installed, start says so and the PostgreSQL cases skip, except on CI
# (CI=true), where that is a failure.
set -euo pipefail
action=$1
dir=$2

as_owner() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

stop() {
  if [ -f "$dir/data/postmaster.pid" ]; then
    as_owner "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
  fi
  rm -rf "$dir"
}

bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
if [ "$action" = stop ]; then
  stop
  exit 0
fi

stop
if [ -z "$bin" ] || [ ! -x "$bin/initdb" ]; then
  echo "PostgreSQL is not installed (scripts/setup installs it): the PostgreSQL cases skip"
  [ "${CI:-}" = true ] && exit 1
  exit 0
fi
mkdir -p "$dir"
[ "$(id -u)" -eq 0 ] && chown postgres "$dir"
as_owner "$bin/initdb" -D "$dir/data" -A trust -U ravochat -E UTF8 --locale=C --no-sync \
  >"$dir/initdb.log" 2>&1 || { cat "$dir/initdb.log"; exit 1; }
# A random port that nothing answers on; another try when someone takes it meanwhile.
for attempt in 1 2 3 4 5; do
  port=$((20000 + RANDOM % 40000))
  (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && continue
  if as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w start -o \
      "-k $dir -p $port -c listen_addresses=127.0.0.1 -c fsync=off -c synchronous_commit=off \
       -c full_page_writes=off -c max_connections=200" >/dev/null; then
    echo "host=$dir port=$port user=ravochat" >"$dir/server"
    echo "PostgreSQL test cluster on $dir, port $port"
    exit 0
  fi
done
cat "$dir/server.log"
exit 1
