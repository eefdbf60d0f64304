#!/usr/bin/env bash
# The load figure of ravochat-server, on loopback only and bounded in time: logs in
# VISITORS visitors (default 1000), then lets wrk answer how many polls per second the
# server serves with all of them online, beside the same tool's figure for a static file
# of the same server in the same run.
#
#   bench/load/run.sh [VISITORS] [SECONDS] [CONNECTIONS]
set -euo pipefail
cd "$(dirname "$0")/../.."

visitors=${1:-1000}
seconds=${2:-10}
connections=${3:-64}
port=${PORT:-18080}
base="http://127.0.0.1:$port"

scripts/setup
cmake --preset release >/dev/null
cmake --build --preset release --target ravochat-server -j "$(nproc)" >/dev/null

work=$(mktemp -d)
server_pid=""
finish() {
  if [ -n "$server_pid" ]; then kill "$server_pid" 2>/dev/null || true; wait "$server_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap finish EXIT

# Everyone logs in from 127.0.0.1: lift the chat's limits on people and on new users
# per address for this database, and the server's limit of connections per address.
timeout 600 build/release/src/server/ravochat-server --listen "127.0.0.1:$port" \
  --db "$work/chat.db" --set maxpeople=30000 --set newusernum=30000 --per-address 0 \
  >"$work/server.out" 2>/dev/null &
server_pid=$!
for _ in $(seq 100); do grep -q serving "$work/server.out" 2>/dev/null && break; sleep 0.1; done
grep -q serving "$work/server.out" || { echo "the server did not start"; exit 1; }

echo "logging in $visitors visitors ..."
SECONDS=0
for i in $(seq -w 1 "$visitors"); do
  curl -s --max-time 10 -o /dev/null -D - \
    --data "sUserName=v$i&sPass=pass$i&bSex=0&room_id=1" "$base/login.asp" |
    sed -n 's/^Set-Cookie: \([^;]*\);.*/\1/p'
done >"$work/cookies.txt"
online=$(wc -l <"$work/cookies.txt")
echo "$online visitors online after ${SECONDS}s"
[ "$online" -eq "$visitors" ] || { echo "only $online of $visitors logins succeeded"; exit 1; }
# A poll of a logged-in visitor ends with parent.ref(); a stale one is sent to showerr.asp.
curl -s -H "Cookie: $(tail -1 "$work/cookies.txt")" "$base/refresh.asp" | grep -q 'parent.ref(' ||
  { echo "a visitor's poll is not answered as a logged-in visitor's"; exit 1; }

echo
echo "== static file (/input.htm), $connections connections, ${seconds}s"
timeout $((seconds + 30)) wrk -t2 -c"$connections" -d"${seconds}s" --latency "$base/input.htm" |
  tee "$work/static.txt"
echo
echo "== polls (/refresh.asp) of the $visitors visitors, $connections connections, ${seconds}s"
timeout $((seconds + 30)) wrk -t2 -c"$connections" -d"${seconds}s" --latency \
  -s bench/load/poll.lua "$base/" -- "$work/cookies.txt" | tee "$work/poll.txt"

static_rate=$(sed -n 's/^Requests\/sec: *//p' "$work/static.txt")
poll_rate=$(sed -n 's/^Requests\/sec: *//p' "$work/poll.txt")
echo
echo "static file: $static_rate requests/s; polls with $visitors visitors online: $poll_rate polls/s"
