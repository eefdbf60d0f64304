#!/usr/bin/env bash
# A throwaway Redis server for one test run: "start DIR" runs one in a new folder under /tmp,
# listening only on a Unix socket there, without saving to disk, and writes the address that
# reaches it ("unix:/tmp/.../redis.sock") to DIR/server; "stop DIR" stops it and removes both.
# Without Redis installed, start says so and the Redis cases skip, except on CI (CI=true),
# where that is a failure.
set -euo pipefail
action=$1
dir=$2

stop() {
  local folder
  folder=$(cat "$dir/folder" 2>/dev/null || true)
  local pid
  pid=$(cat "$folder/redis.pid" 2>/dev/null || true)
  if [ -n "$pid" ]; then
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  fi
  [ -n "$folder" ] && rm -rf "$folder"
  rm -rf "$dir"
}

stop
[ "$action" = stop ] && exit 0

if ! command -v redis-server >/dev/null; then
  echo "Redis is not installed (scripts/setup installs it): the Redis cases skip"
  [ "${CI:-}" = true ] && exit 1
  exit 0
fi
mkdir -p "$dir"
folder=$(mktemp -d /tmp/ravochat-redis.XXXXXX)
echo "$folder" >"$dir/folder"
redis-server --port 0 --unixsocket "$folder/redis.sock" --unixsocketperm 700 \
  --save "" --appendonly no --dir "$folder" --pidfile "$folder/redis.pid" \
  --daemonize yes --logfile "$folder/redis.log"
for _ in $(seq 100); do
  [ -S "$folder/redis.sock" ] && break
  sleep 0.05
done
if [ ! -S "$folder/redis.sock" ]; then
  cat "$folder/redis.log"
  exit 1
fi
echo "unix:$folder/redis.sock" >"$dir/server"
echo "Redis test server on $folder/redis.sock"
