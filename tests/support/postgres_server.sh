#!/usr/bin/env bash
# A throwaway PostgreSQL cluster for one test run: "start DIR" makes it in a new folder
# under /tmp (initdb, a Unix socket there, a free loopback port, no syncs) and writes the
# libpq keyword string that reaches it to DIR/server; "stop DIR" stops it and removes both.
# PostgreSQL refuses to run as root, so under root it runs as the postgres user that
# Debian's package creates; /tmp is a folder that user can reach wherever DIR lies.
# Without PostgreSQL installed, start says so and the PostgreSQL cases skip, except on CI
# (CI=true), where that is a failure.
set -euo pipefail
action=$1
dir=$2

as_owner() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)

stop() {
  local cluster
  cluster=$(cat "$dir/cluster" 2>/dev/null || true)
  if [ -n "$cluster" ] && [ -f "$cluster/data/postmaster.pid" ]; then
    as_owner "$bin/pg_ctl" -D "$cluster/data" -m immediate -w stop >/dev/null 2>&1 || true
  fi
  [ -n "$cluster" ] && rm -rf "$cluster"
  rm -rf "$dir"
}

stop
[ "$action" = stop ] && exit 0

if [ -z "$bin" ] || [ ! -x "$bin/initdb" ]; then
  echo "PostgreSQL is not installed (scripts/setup installs it): the PostgreSQL cases skip"
  [ "${CI:-}" = true ] && exit 1
  exit 0
fi
mkdir -p "$dir"
cluster=$(mktemp -d /tmp/ravochat-postgres.XXXXXX)
echo "$cluster" >"$dir/cluster"
chmod 755 "$cluster"
if [ "$(id -u)" -eq 0 ]; then chown postgres "$cluster"; fi
as_owner "$bin/initdb" -D "$cluster/data" -A trust -U ravochat -E UTF8 --locale=C --no-sync \
  >"$cluster/initdb.log" 2>&1 || { cat "$cluster/initdb.log"; exit 1; }
# A random port that nothing answers on; another try when someone takes it meanwhile.
for attempt in 1 2 3 4 5; do
  port=$((20000 + RANDOM % 40000))
  (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && continue
  if as_owner "$bin/pg_ctl" -D "$cluster/data" -l "$cluster/server.log" -w start -o \
      "-k $cluster -p $port -c listen_addresses=127.0.0.1 -c fsync=off \
       -c synchronous_commit=off -c full_page_writes=off -c max_connections=200" >/dev/null; then
    echo "host=$cluster port=$port user=ravochat" >"$dir/server"
    echo "PostgreSQL test cluster in $cluster, port $port"
    exit 0
  fi
done
cat "$cluster/server.log"
exit 1
