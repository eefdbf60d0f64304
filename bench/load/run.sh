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

visitors=${1:-1000}
seconds=${2:-10}
connections=${3:-64}
port=${PORT:-18080}
# shellcheck source=bench/load/common.sh
source "$(dirname "$0")/common.sh"

start_server "$port" "$work/chat.db"

# The server runs under timeout: its resident memory is that of timeout's child.
rss_kib() {
  sed -n 's/^VmRSS:[[:space:]]*\([0-9]*\) kB/\1/p' "/proc/$(pgrep -P "$server_pid" | head -1)/status"
}
empty_rss=$(rss_kib)
echo "logging in $visitors visitors over 8 keep-alive connections ..."
logins=$(login_visitors "$port" "$work/cookies.txt")
echo "$logins"
full_rss=$(rss_kib)
expect_logged_in "$port" "$(tail -1 "$work/cookies.txt")"
first_polls "$port" "$work/cookies.txt"
echo
echo "== polls (/refresh.asp) of the $visitors visitors, $connections connections, ${seconds}s"
wrk_polls "$port" "$work/cookies.txt" "$connections" 2 | tee "$work/poll.txt"
echo
echo "== static file (/input.htm), $connections connections, ${seconds}s"
wrk_static "$port" | tee "$work/static.txt"
echo
paced_rate=$(((visitors + 5) / 6))
echo "== paced polls: every visitor once per 6 s ($paced_rate/s) for 30 s, 5 lines/s posted"
paced=$(timeout 120 "$client" pace "$port" "$work/cookies.txt" "$paced_rate" 30 128 5)

static_rate=$(rate "$work/static.txt")
poll_rate=$(rate "$work/poll.txt")
echo
echo "== $visitors visitors online"
echo "logins:        $logins"
echo "memory:        $(((full_rss - empty_rss) * 1024 / visitors)) bytes resident per visitor" \
     "($((full_rss / 1024)) MiB in all)"
echo "polls:         $poll_rate polls/s saturated; static file $static_rate requests/s;" \
     "ratio $(awk -v p="$poll_rate" -v s="$static_rate" 'BEGIN { printf "%.2f", p / s }')"
echo "paced polls:   $paced"
