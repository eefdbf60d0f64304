#!/usr/bin/env bash
# The push channels' figures of ravochat-server, on loopback only and bounded in time, one
# process with its state in memory:
#   - fan-out: VISITORS windows (default 10000) hold a channel each; a line posted reaches
#     them, timed from the post's answer to each window's receipt: once with everyone in one
#     room, once spread over ROOMS rooms (default 1000), where only the poster's room receives;
#   - idle cost: the channels open and nothing said for IDLE seconds (default 60): the
#     server's CPU time as a share of one core, and its resident memory per open channel.
#
#   bench/load/channels.sh [VISITORS] [ROOMS] [IDLE] [LINES]
set -euo pipefail

visitors=${1:-10000}
rooms=${2:-1000}
idle=${3:-60}
lines=${4:-20}
seconds=10
connections=64
port=${PORT:-18090}
# shellcheck source=bench/load/common.sh
source "$(dirname "$0")/common.sh"

rss_kib() {
  sed -n 's/^VmRSS:[[:space:]]*\([0-9]*\) kB/\1/p' "/proc/$(pgrep -P "$server_pid" | head -1)/status"
}
# The server's CPU time so far, in clock ticks.
cpu_ticks() {
  awk '{ print $14 + $15 }' "/proc/$(pgrep -P "$server_pid" | head -1)/stat"
}

# A database whose chat has ROOMS rooms that stay.
db=$work/chat.db
start_server "$port" "$db"
stop_servers
sqlite3 "$db" "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $rooms)
  INSERT OR IGNORE INTO room (ID, room_name, room_keep, room_time, build_time)
  SELECT i, 'room' || i, 1, datetime('now', 'localtime'), datetime('now', 'localtime') FROM n;"

# fresh_server OPTION...: a server whose chat starts empty (not with the state the last one
# saved when it stopped).
fresh_server() {
  sqlite3 "$db" "DELETE FROM state_snapshot;"
  start_server "$port" "$db" "$@"
}

# fanout ROOMS: a fresh server, the visitors logged in over ROOMS rooms, the lines timed.
fanout() {
  fresh_server --set floodlines=0 --max-channels $((visitors + 10))
  timeout 600 "$client" login "$port" "$visitors" 8 "$work/cookies.txt" "$1" >/dev/null
  # A window opens its channel after its first page has filled the panes (as a first poll
  # does): the channel's first event then carries nothing old.
  first_polls "$port" "$work/cookies.txt"
  timeout 600 "$channel_client" fanout "$port" "$work/cookies.txt" "$1" "$lines"
  stop_servers
}

echo "== fan-out: $visitors channels in one room, $lines lines"
fanout 1
echo
echo "== fan-out: $visitors channels spread over $rooms rooms, $lines lines"
fanout "$rooms"
echo
echo "== idle: $visitors channels open, nothing said for ${idle}s"
fresh_server --max-channels $((visitors + 10))
timeout 600 "$client" login "$port" "$visitors" 8 "$work/cookies.txt" >/dev/null
first_polls "$port" "$work/cookies.txt"
before_rss=$(rss_kib)
timeout $((idle + 300)) "$channel_client" hold "$port" "$work/cookies.txt" "$idle" \
  >"$work/hold.txt" &
hold_pid=$!
for _ in $(seq 1200); do grep -q open "$work/hold.txt" 2>/dev/null && break; sleep 0.1; done
open_rss=$(rss_kib)
start_ticks=$(cpu_ticks)
start_time=$(date +%s.%N)
wait "$hold_pid"
end_ticks=$(cpu_ticks)
end_time=$(date +%s.%N)
tail -1 "$work/hold.txt"
echo "cpu:     $(awk -v t=$((end_ticks - start_ticks)) -v hz="$(getconf CLK_TCK)" \
  -v s="$start_time" -v e="$end_time" 'BEGIN { printf "%.2f", 100 * t / hz / (e - s) }')% of one core"
echo "memory:  $(((open_rss - before_rss) * 1024 / visitors)) bytes resident per open channel" \
     "($((open_rss / 1024)) MiB in all)"
