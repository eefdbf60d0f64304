# shellcheck shell=bash
# The common part of the load benchmarks, sourced by each script of bench/load: builds the
# release ravochat-server and the load and channel clients, and starts, fills and measures
# servers on loopback. Every server, Redis and file lives in one temporary folder, $work, and is stopped
# or removed on exit. Expects $visitors, $seconds and $connections to be set.
cd "$(dirname "${BASH_SOURCE[0]}")/../.."

scripts/setup
cmake --preset release -DRAVOCHAT_BENCH=ON >/dev/null
cmake --build --preset release --target ravochat-server load_client channel_client \
  -j "$(nproc)" >/dev/null
client=build/release/bench/load_client
channel_client=build/release/bench/channel_client

# The stored passwords' argon2id cost, lowered from the default (19 MiB, 2 passes: some tens of
# milliseconds of a core per login) so that thousands of visitors log in quickly; PASSWORD_MEMORY
# (MiB) and PASSWORD_PASSES choose another.
password_memory=${PASSWORD_MEMORY:-1}
password_passes=${PASSWORD_PASSES:-1}
echo "stored passwords: argon2id of $password_memory MiB and $password_passes passes" \
     "(the default is 19 MiB and 2 passes)"

work=$(mktemp -d)
server_pid=""
server_pids=()
redis_dirs=()
stop_servers() {
  local pid
  for pid in "${server_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${server_pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  server_pids=()
  server_pid=""
}
finish() {
  local dir
  stop_servers
  for dir in "${redis_dirs[@]}"; do scripts/throwaway-redis stop "$dir" || true; done
  rm -rf "$work"
}
trap finish EXIT

# start_server PORT DB [OPTION...]: a ravochat-server on 127.0.0.1:PORT with the database DB,
# its process id in $server_pid once it serves. The load client stands in for a reverse proxy
# that forwards each visitor's own address; the limit of connections per address is lifted
# for the load generators.
start_server() {
  local port=$1 db=$2
  shift 2
  timeout 900 build/release/src/server/ravochat-server --listen "127.0.0.1:$port" --db "$db" \
    --trust-proxy 127.0.0.1 --per-address 0 --set maxpeople=$((visitors + 10)) \
    --set passwordmemory="$password_memory" --set passwordpasses="$password_passes" "$@" \
    >"$work/server-$port.out" 2>/dev/null &
  server_pid=$!
  server_pids+=("$server_pid")
  for _ in $(seq 100); do grep -q serving "$work/server-$port.out" 2>/dev/null && break; sleep 0.1; done
  grep -q serving "$work/server-$port.out" || { echo "the server on port $port did not start"; exit 1; }
}

# start_redis NAME: a throwaway Redis on a Unix socket, its address for --state in $redis.
start_redis() {
  redis_dirs+=("$work/$1")
  scripts/throwaway-redis start "$work/$1" >/dev/null
  [ -f "$work/$1/server" ] || { echo "Redis is not installed"; exit 1; }
  redis=$(cat "$work/$1/server")
}

# login_visitors PORT COOKIES: logs in the visitors through the server on PORT, one session
# cookie a line to COOKIES; prints the logins' rate.
login_visitors() {
  timeout 600 "$client" login "$1" "$visitors" 8 "$2"
}

# expect_logged_in PORT COOKIE: a poll of a logged-in visitor ends with parent.ref(); a stale
# one is sent to showerr.asp.
expect_logged_in() {
  curl -s --max-time 10 -H "Cookie: $2" "http://127.0.0.1:$1/refresh.asp" | grep -q 'parent.ref(' ||
    { echo "a visitor's poll on port $1 is not answered as a logged-in visitor's"; exit 1; }
}

# first_polls PORT COOKIES: every visitor polls once, as his window does on entering: that
# first poll brings the lines since his login, the later ones only what is new. The polls
# also keep every visitor clear of the idle sweep.
first_polls() {
  timeout 300 "$client" pace "$1" "$2" $((visitors * 10)) 0.1 16 0 >/dev/null
}

# wrk_polls PORT COOKIES CONNECTIONS THREADS: saturated polls of the visitors of COOKIES for
# $seconds, each request the next visitor's poll; prints wrk's report.
wrk_polls() {
  timeout $((seconds + 30)) wrk -t"$4" -c"$3" -d"${seconds}s" --latency \
    -s bench/load/poll.lua "http://127.0.0.1:$1/" -- "$2"
}

# wrk_static PORT: saturated requests of the static file /input.htm; prints wrk's report.
wrk_static() {
  timeout $((seconds + 30)) wrk -t2 -c"$connections" -d"${seconds}s" --latency \
    "http://127.0.0.1:$1/input.htm"
}

# metric PORT NAME: the value of the metric NAME of the server on PORT (its one chat's).
metric() {
  curl -s --max-time 10 "http://127.0.0.1:$1/metrics" | awk -v name="$2" '$1 ~ "^" name { print $2 }'
}

# posts PORT COOKIES REPORT: lines posted to everybody by the visitors of COOKIES in turn, for
# $seconds, through the server on PORT; prints the lines stored per second, counted by the
# chat's newest number, and leaves wrk's report in REPORT.
posts() {
  local first
  first=$(metric "$1" ravochat_newest_message_number)
  timeout $((seconds + 30)) wrk -t2 -c"$connections" -d"${seconds}s" -s bench/db/post.lua \
    "http://127.0.0.1:$1/" -- "$2" >"$3"
  awk -v a="$first" -v b="$(metric "$1" ravochat_newest_message_number)" -v s="$seconds" \
    'BEGIN { printf "%.0f", (b - a) / s }'
}

# rate REPORT: the requests per second of a wrk report file.
rate() {
  sed -n 's/^Requests\/sec: *//p' "$1"
}
