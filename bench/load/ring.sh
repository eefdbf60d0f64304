#!/usr/bin/env bash
# What the length of the chat's ring costs a post: lines posted per second by VISITORS
# logged-in visitors (default 2000) in turn, with a ring of 101 rows and of 10,001 rows
# ("_maxtalk" 100 and 10000), for one ravochat-server keeping the chat's state in its memory
# and one keeping it in Redis (--state); ROUNDS rounds (default 3) alternate the two lengths,
# and the ratio of the short ring's rate to the long one's is printed for each. On loopback
# only and bounded in time; each figure starts afresh with a new database (and a new Redis).
#
#   bench/load/ring.sh [VISITORS] [SECONDS] [ROUNDS]
set -euo pipefail

visitors=${1:-2000}
seconds=${2:-8}
rounds=${3:-3}
connections=32
port=${PORT:-18280}
# shellcheck source=bench/load/common.sh
source "$(dirname "$0")/common.sh"

# posted STATE MAXTALK: the lines/s of a fresh server (STATE: memory or redis) in $rate. Not
# run in a subshell: the Redis it starts must be stopped on exit.
posted() {
  local dir=$work/$1-$2-$round
  mkdir "$dir"
  if [ "$1" = redis ]; then
    start_redis "redis-$2-$round"
    start_server "$port" "$dir/chat.db" --state "$redis" --set floodlines=0 --set maxtalk="$2"
  else
    start_server "$port" "$dir/chat.db" --set floodlines=0 --set maxtalk="$2"
  fi
  login_visitors "$port" "$dir/cookies.txt" >/dev/null
  rate=$(posts "$port" "$dir/cookies.txt" "$dir/say.txt")
  stop_servers
}

echo "$visitors visitors posting in turn, $connections connections, ${seconds}s per figure"
for state in memory redis; do
  for round in $(seq "$rounds"); do
    posted "$state" 100
    short=$rate
    posted "$state" 10000
    long=$rate
    printf '%-6s round %s: %6s lines/s with 101 rows, %6s with 10,001 rows: %s times\n' \
      "$state" "$round" "$short" "$long" "$(awk -v a="$short" -v b="$long" 'BEGIN { printf "%.2f", a / b }')"
  done
done
