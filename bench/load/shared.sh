#!/usr/bin/env bash
# Saturated polls/s of VISITORS logged-in visitors (default 10000) in one run, on loopback
# only and bounded in time, for
#   1. one ravochat-server keeping the chat's state in its memory,
#   2. one ravochat-server keeping it in Redis (--state),
#   3. two ravochat-server processes sharing one Redis and one database, polled at once,
# each as a ratio to the first, beside the static file's requests/s for scale, and for the two
# with Redis the commands Redis ran per poll (all, and the scripts among them: the chat's lock
# is taken and stored by scripts), and the share of one process's busy time in which it held
# the chat's lock, with the speed-up it leaves for more servers, and the lines posted per
# second through the process with Redis, and the time a line posted through one of two
# processes takes to reach 1,000 windows holding a channel on the other. Each starts afresh:
# a new database, a new Redis, its visitors logged in through its own server(s).
#
#   bench/load/shared.sh [VISITORS] [SECONDS] [CONNECTIONS]
set -euo pipefail

visitors=${1:-10000}
seconds=${2:-10}
connections=${3:-64}
port=${PORT:-18180}
# shellcheck source=bench/load/common.sh
source "$(dirname "$0")/common.sh"

# fill NAME PORT: logs the visitors in through the server on PORT into $work/NAME/cookies.txt.
fill() {
  local logins
  logins=$(login_visitors "$2" "$work/$1/cookies.txt")
  echo "$1: logged in $visitors visitors: $logins"
  expect_logged_in "$2" "$(tail -1 "$work/$1/cookies.txt")"
}

# polls NAME PORT...: saturated polls of the visitors of NAME through every PORT at once, each
# with its share of the connections; prints the sum of their rates.
polls() {
  local name=$1 each pid report pids=() reports=()
  shift
  for each in "$@"; do
    wrk_polls "$each" "$work/$name/cookies.txt" $((connections / $#)) $((2 / $#)) \
      >"$work/$name/poll-$each.txt" &
    pids+=($!)
    reports+=("$work/$name/poll-$each.txt")
  done
  for pid in "${pids[@]}"; do wait "$pid"; done
  for report in "${reports[@]}"; do
    if grep -q 'Non-2xx\|Socket errors' "$report"; then
      cat "$report" >&2
      echo "$name: some polls failed" >&2
      exit 1
    fi
    rate "$report"
  done | awk '{ sum += $1 } END { printf "%.2f", sum }'
}

# redis_calls [COMMAND]: the calls of COMMAND (all commands when none) that Redis counted since
# its statistics were last reset.
redis_calls() {
  redis-cli -s "${redis#unix:}" INFO commandstats |
    awk -F'[:=,]' -v only="${1:-}" '/^cmdstat_/ && (only == "" || $1 == "cmdstat_" only) { sum += $3 }
                                    END { print sum + 0 }'
}

# per_poll NAME CALLS: CALLS divided by the polls that the reports of NAME counted.
per_poll() {
  cat "$work/$1"/poll-*.txt | awk -v calls="$2" '/requests in/ { polls += $1 }
                                                END { printf "%.2f", calls / polls }'
}

# cpu_seconds: the CPU time the last server started has used (timeout's child).
cpu_seconds() {
  awk -v hz="$(getconf CLK_TCK)" '{ printf "%.2f", ($14 + $15) / hz }' \
    "/proc/$(pgrep -P "$server_pid" | head -1)/stat"
}

# redis_polls NAME PORT...: polls as polls() does, their rate in $polled, and the commands and
# scripts Redis ran for them, per poll, in $commands and $scripts.
redis_polls() {
  redis-cli -s "${redis#unix:}" CONFIG RESETSTAT >/dev/null
  polled=$(polls "$@")
  commands=$(per_poll "$1" "$(redis_calls)")
  scripts=$(per_poll "$1" $(($(redis_calls evalsha) + $(redis_calls eval))))
}

mkdir "$work/memory" "$work/redis" "$work/two"
echo "$visitors visitors, $connections connections, ${seconds}s per figure"

start_server "$port" "$work/memory/chat.db"
fill memory "$port"
first_polls "$port" "$work/memory/cookies.txt"
memory_rate=$(polls memory "$port")
wrk_static "$port" >"$work/static.txt"
static_rate=$(rate "$work/static.txt")
stop_servers

start_redis redis-state
start_server $((port + 1)) "$work/redis/chat.db" --state "$redis" --set floodlines=0
fill redis $((port + 1))
first_polls $((port + 1)) "$work/redis/cookies.txt"
held=ravochat_shared_lock_held_seconds_total
held_before=$(metric $((port + 1)) $held)
busy_before=$(cpu_seconds)
redis_polls redis $((port + 1))
redis_rate=$polled redis_commands=$commands redis_scripts=$scripts
# The share of the server's busy time in which it held the chat's lock: no other server can
# serve the chat meanwhile, so it bounds what more servers on machines of their own add.
lock_share=$(awk -v h0="$held_before" -v h1="$(metric $((port + 1)) $held)" \
  -v b0="$busy_before" -v b1="$(cpu_seconds)" \
  'BEGIN { s = (h1 - h0) / (b1 - b0); printf "%.3f", (s > 1 ? 1 : s) }')
posts_rate=$(posts $((port + 1)) "$work/redis/cookies.txt" "$work/redis/say.txt")
stop_servers

# Both processes serve one chat: the visitors log in through the first, poll first through
# the second, and are then polled through both.
start_redis two-state
start_server $((port + 2)) "$work/two/chat.db" --state "$redis" --set floodlines=0
start_server $((port + 3)) "$work/two/chat.db" --state "$redis" --set floodlines=0
fill two $((port + 2))
expect_logged_in $((port + 3)) "$(head -1 "$work/two/cookies.txt")"
first_polls $((port + 3)) "$work/two/cookies.txt"
redis_polls two $((port + 2)) $((port + 3))
two_rate=$polled two_commands=$commands two_scripts=$scripts
# The windows of 1,000 visitors (or all, when fewer) hold a channel on the second process;
# the lines are posted through the first.
channels=$((visitors < 1000 ? visitors : 1000))
head -"$channels" "$work/two/cookies.txt" >"$work/two/channels.txt"
across=$(timeout 300 "$channel_client" fanout $((port + 3)) \
  "$work/two/channels.txt" 1 20 $((port + 2)) || true)
stop_servers

ratio() { awk -v r="$1" -v m="$memory_rate" 'BEGIN { printf "%.2f", r / m }'; }
echo
echo "== saturated polls/s, $visitors visitors online, $connections connections, ${seconds}s"
printf '%-38s %10s polls/s  ratio %s\n' "one process, state in memory" "$memory_rate" "$(ratio "$memory_rate")"
printf '%-38s %10s polls/s  ratio %s  Redis commands/poll %s, of them scripts %s\n' \
  "one process, state in Redis" "$redis_rate" "$(ratio "$redis_rate")" "$redis_commands" "$redis_scripts" \
  "two processes, state in Redis" "$two_rate" "$(ratio "$two_rate")" "$two_commands" "$two_scripts"
printf '%-38s %10s requests/s (one process)\n' "static file /input.htm" "$static_rate"
printf '%-38s %10s lines/s posted to everybody (%s requests/s answered)\n' \
  "one process, state in Redis" "$posts_rate" "$(rate "$work/redis/say.txt")"
echo "lines posted through one of two processes to $channels channels held on the other: $across"
echo
echo "one process with Redis held the chat's lock for $lock_share of its busy (CPU) time;"
awk -v s="$lock_share" 'BEGIN { printf "so N servers on machines of their own reach (Amdahl) 2: %.2fx, 4: %.2fx, 8: %.2fx\n",
  1 / (s + (1 - s) / 2), 1 / (s + (1 - s) / 4), 1 / (s + (1 - s) / 8) }'
