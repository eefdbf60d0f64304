#!/usr/bin/env bash
# Returning-user logins per second and posted lines per second through HTTP, on the
# embedded SQLite file and on a local PostgreSQL (a throwaway cluster, over loopback TCP),
# in the same run with the same release build of ravochat-server.
#
#   bench/db/run.sh [VISITORS] [SECONDS] [CONNECTIONS]
set -euo pipefail
cd "$(dirname "$0")/../.."

visitors=${1:-200}
seconds=${2:-10}
connections=${3:-16}
port=${PORT:-18090}
base="http://127.0.0.1:$port"

scripts/setup
cmake --preset release >/dev/null
cmake --build --preset release --target ravochat-server -j "$(nproc)" >/dev/null

# shellcheck source=bench/postgres.sh
source bench/postgres.sh
work=$(mktemp -d)
server_pid=""
stop_server() {
  if [ -n "$server_pid" ]; then kill "$server_pid" 2>/dev/null || true; wait "$server_pid" 2>/dev/null || true; fi
  server_pid=""
}
finish() {
  stop_server
  stop_postgres
  rm -rf "$work"
}
trap finish EXIT

start_postgres

# Rate of `script` (with its argument) against the running server, in requests per second.
rate() {
  timeout $((seconds + 30)) wrk -t2 -c"$connections" -d"${seconds}s" -s "bench/db/$1" "$base/" \
    -- "$2" >"$work/wrk.txt"
  grep -q "Non-2xx" "$work/wrk.txt" && { cat "$work/wrk.txt"; echo "some requests failed"; exit 1; }
  sed -n 's/^Requests\/sec: *//p' "$work/wrk.txt"
}

# measure NAME DB MEMORY PASSES: the figures of one database, its visitors' passwords stored
# as argon2id of MEMORY MiB and PASSES passes. Every login comes from one address here.
measure() {
  local name=$1 db=$2 memory=$3 passes=$4
  timeout 600 build/release/src/server/ravochat-server --listen "127.0.0.1:$port" --db "$db" \
    --set maxpeople=30000 --set newusernum=30000 --set loginsperminute=0 \
    --set passwordmemory="$memory" --set passwordpasses="$passes" >"$work/server.out" 2>&1 &
  server_pid=$!
  for _ in $(seq 100); do grep -q serving "$work/server.out" 2>/dev/null && break; sleep 0.1; done
  grep -q serving "$work/server.out" || { cat "$work/server.out"; exit 1; }
  # The first login makes each visitor's row; the ones measured find it.
  for i in $(seq 1 "$visitors"); do
    curl -s --max-time 10 -o /dev/null -D - \
      --data "sUserName=u$i&sPass=pass$i&bSex=0&room_id=1" "$base/login.asp" |
      sed -n 's/^Set-Cookie: \([^;]*\);.*/\1/p'
  done >"$work/cookies.txt"
  [ "$(wc -l <"$work/cookies.txt")" -eq "$visitors" ] || { echo "$name: logins refused"; exit 1; }
  local logins posts
  logins=$(rate login.lua "$visitors")
  # Sessions of the measured logins replaced the first ones: log in once more for cookies.
  for i in $(seq 1 "$visitors"); do
    curl -s --max-time 10 -o /dev/null -D - \
      --data "sUserName=u$i&sPass=pass$i&bSex=0&room_id=1" "$base/login.asp" |
      sed -n 's/^Set-Cookie: \([^;]*\);.*/\1/p'
  done >"$work/cookies.txt"
  posts=$(rate post.lua "$work/cookies.txt")
  stop_server
  printf '%-11s argon2id %2s MiB, %s passes: returning-user logins/s: %9s   posts/s: %9s\n' \
    "$name" "$memory" "$passes" "$logins" "$posts"
}

echo "$visitors visitors, $connections connections, ${seconds}s per figure"
echo "stored passwords at the default cost (19 MiB, 2 passes) and lowered for the benchmark" \
     "(1 MiB, 1 pass)"
measure SQLite "$work/chat.db" 19 2
measure SQLite "$work/cheap.db" 1 1
measure PostgreSQL "$pg/postgres" 1 1
