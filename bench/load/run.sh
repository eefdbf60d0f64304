#!/usr/bin/env bash
# The load figures of ravochat-server, on loopback only and bounded in time: logs in
# VISITORS visitors (default 1000) over keep-alive connections, then reports in one run
#   - logins/s and the server's resident memory per visitor online,
#   - saturated polls/s beside the static file's requests/s of the same server (wrk),
#   - the latency percentiles of paced polls: every visitor once per 6 seconds while lines
#     are posted.
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
cmake --preset release -DRAVOCHAT_BENCH=ON >/dev/null
cmake --build --preset release --target ravochat-server load_client -j "$(nproc)" >/dev/null
client=build/release/bench/load_client

work=$(mktemp -d)
server_pid=""
finish() {
  if [ -n "$server_pid" ]; then kill "$server_pid" 2>/dev/null || true; wait "$server_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap finish EXIT

# The load client stands in for a reverse proxy that forwards each visitor's own address;
# the limit of connections per address is lifted for the load generators.
timeout 900 build/release/src/server/ravochat-server --listen "127.0.0.1:$port" \
  --db "$work/chat.db" --trust-proxy 127.0.0.1 --per-address 0 --set maxpeople=$((visitors + 10)) \
  >"$work/server.out" 2>/dev/null &
server_pid=$!
for _ in $(seq 100); do grep -q serving "$work/server.out" 2>/dev/null && break; sleep 0.1; done
grep -q serving "$work/server.out" || { echo "the server did not start"; exit 1; }

# The server runs under timeout: its resident memory is that of timeout's child.
rss_kib() {
  sed -n 's/^VmRSS:[[:space:]]*\([0-9]*\) kB/\1/p' "/proc/$(pgrep -P "$server_pid" | head -1)/status"
}
empty_rss=$(rss_kib)
echo "logging in $visitors visitors over 8 keep-alive connections ..."
logins=$(timeout 600 "$client" login "$port" "$visitors" 8 "$work/cookies.txt")
echo "$logins"
full_rss=$(rss_kib)
# A poll of a logged-in visitor ends with parent.ref(); a stale one is sent to showerr.asp.
curl -s -H "Cookie: $(tail -1 "$work/cookies.txt")" "$base/refresh.asp" | grep -q 'parent.ref(' ||
  { echo "a visitor's poll is not answered as a logged-in visitor's"; exit 1; }

# Every visitor polls once first, as his window does on entering: that first poll brings the
# lines since his login, the later ones only what is new. The polls also keep every visitor
# clear of the idle sweep.
"$client" pace "$port" "$work/cookies.txt" $((visitors * 10)) 0.1 16 0 >/dev/null
echo
echo "== polls (/refresh.asp) of the $visitors visitors, $connections connections, ${seconds}s"
timeout $((seconds + 30)) wrk -t2 -c"$connections" -d"${seconds}s" --latency \
  -s bench/load/poll.lua "$base/" -- "$work/cookies.txt" | tee "$work/poll.txt"
echo
echo "== static file (/input.htm), $connections connections, ${seconds}s"
timeout $((seconds + 30)) wrk -t2 -c"$connections" -d"${seconds}s" --latency "$base/input.htm" |
  tee "$work/static.txt"
echo
paced_rate=$(((visitors + 5) / 6))
echo "== paced polls: every visitor once per 6 s ($paced_rate/s) for 30 s, 5 lines/s posted"
paced=$(timeout 120 "$client" pace "$port" "$work/cookies.txt" "$paced_rate" 30 128 5)

static_rate=$(sed -n 's/^Requests\/sec: *//p' "$work/static.txt")
poll_rate=$(sed -n 's/^Requests\/sec: *//p' "$work/poll.txt")
echo
echo "== $visitors visitors online"
echo "logins:        $logins"
echo "memory:        $(((full_rss - empty_rss) * 1024 / visitors)) bytes resident per visitor" \
     "($((full_rss / 1024)) MiB in all)"
echo "polls:         $poll_rate polls/s saturated; static file $static_rate requests/s;" \
     "ratio $(awk -v p="$poll_rate" -v s="$static_rate" 'BEGIN { printf "%.2f", p / s }')"
echo "paced polls:   $paced"
