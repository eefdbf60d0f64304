#!/usr/bin/env bash
# Importing an existing installation's export: USERS users with friends lists, twice as many
# guest-book notes and half as many management-log rows, as mdb-export writes them (GBK,
# quoted texts, its default date form), into the embedded SQLite file and into a local
# PostgreSQL (a throwaway cluster, over loopback TCP), with the same release build in the
# same run. For scale, each database's own bulk loader (sqlite3 .import, psql \copy) loads
# the same rows into the same tables; the import's time is given as a ratio to it. Peak
# memory shows that rows are streamed.
#
#   bench/import/run.sh [USERS]        (default 100000)
set -euo pipefail
cd "$(dirname "$0")/../.."

users=${1:-100000}
notes=$((users * 2))
logs=$((users / 2))

scripts/setup
cmake --preset release >/dev/null
cmake --build --preset release --target ravochat-server -j "$(nproc)" >/dev/null
server=build/release/src/server/ravochat-server

# shellcheck source=bench/postgres.sh
source bench/postgres.sh
work=$(mktemp -d)
finish() {
  stop_postgres
  rm -rf "$work"
}
trap finish EXIT

start_postgres

# The export, written in UTF-8 into utf8/ (for the bulk loaders) and in GBK into export/.
mkdir -p "$work/utf8" "$work/export"
awk -v n="$users" 'BEGIN {
  print "username,passwd,headface,sex,log_time,user_level,visit_num,out_time,friends"
  for (i = 1; i <= n; i++) {
    name = (i % 10 == 0) ? "用户" i : "u" i
    friends = ""
    for (f = 1; f <= 5; f++) friends = friends " u" ((i * 7 + f * 13) % n + 1)
    printf "\"%s\",\"AbCdEfGhIjKlMnOpQrStUvWxYz0123\",1010,%d,\"%02d/%02d/%02d 10:%02d:%02d\",%d,%d,\"12/01/26 10:00:00\",\"%s\"\n",
      name, i % 2, i % 12 + 1, i % 28 + 1, i % 20, i % 60, i % 60, i % 9 + 1, i % 500, substr(friends, 2)
  }
}' >"$work/utf8/user.csv"
awk -v n="$notes" -v u="$users" 'BEGIN {
  print "ID,who,towho,message,post_time"
  for (i = 1; i <= n; i++)
    printf "%d,\"u%d\",\"u%d\",\"留言, 第 %d 条 \"\"你好\"\"\",\"11/%02d/26 09:%02d:%02d\"\n",
      i, i % u + 1, (i * 3) % u + 1, i, i % 30 + 1, i % 60, (i * 7) % 60
}' >"$work/utf8/guestbook.csv"
awk -v n="$logs" 'BEGIN {
  print "ID,stype,occ_time,occ_env"
  for (i = 1; i <= n; i++)
    printf "%d,57,\"10/%02d/26 03:%02d:00\",\"u%d>删除>0>0>0>0>0\"\n", i, i % 30 + 1, i % 60, i
}' >"$work/utf8/record.csv"
for f in user guestbook record; do iconv -f UTF-8 -t GBK "$work/utf8/$f.csv" >"$work/export/$f.csv"; done

# Seconds and peak resident kilobytes of a command, as "SECONDS KB".
timed() {
  /usr/bin/time -f '%e %M' -o "$work/time.txt" "$@" >"$work/out.txt" 2>&1 || { cat "$work/out.txt"; exit 1; }
  cat "$work/time.txt"
}

# The bulk loaders' reference: an empty chat database of each kind, loaded with the files.
# (An import of no rows makes a database with the chat's tables.)
mkdir -p "$work/none" && echo "alias,body" >"$work/none/sysparam.csv"
psql -q "$pg/postgres" -c "CREATE DATABASE ref" -c "CREATE DATABASE chat"
"$server" import "$work/none" --db "$work/ref.db" >/dev/null
"$server" import "$work/none" --db "$pg/ref" >/dev/null
sqlite_ref() {
  for f in user guestbook record; do
    sqlite3 "$work/ref.db" ".import --csv --skip 1 $work/utf8/$f.csv $f"
  done
}
pg_ref() {
  psql -q "$pg/ref" -c "\\copy \"user\" (username,passwd,headface,sex,log_time,user_level,visit_num,out_time,friends) FROM '$work/utf8/user.csv' CSV HEADER" \
    -c "\\copy guestbook (ID,who,towho,message,post_time) FROM '$work/utf8/guestbook.csv' CSV HEADER" \
    -c "\\copy record (ID,stype,occ_time,occ_env) FROM '$work/utf8/record.csv' CSV HEADER"
}
export -f sqlite_ref pg_ref
export work pg

report() {
  local name=$1 import=$2 reference=$3
  awk -v name="$name" -v rows=$((users + notes + logs)) -v import="$import" -v ref="$reference" '
    BEGIN {
      split(import, i, " "); split(ref, r, " ")
      printf "%-11s import: %6.1f s, %8.0f rows/s, peak memory %4d MiB; %.1f x the bulk loader (%.1f s)\n",
        name, i[1], rows / i[1], i[2] / 1024, i[1] / r[1], r[1]
    }'
}

echo "$users users with friends lists, $notes guest-book notes, $logs management-log rows"
# The import's own counts, so that a figure never stands for rows that did not arrive.
check_counts() {
  grep -q "^user  *$users rows" "$work/out.txt" && grep -q "^guestbook  *$notes rows" "$work/out.txt" &&
    grep -q "^record  *$logs rows" "$work/out.txt" || { cat "$work/out.txt"; echo "rows missing"; exit 1; }
}
sqlite_import=$(timed "$server" import "$work/export" --db "$work/chat.db")
check_counts
sqlite_reference=$(timed bash -c sqlite_ref)
report SQLite "$sqlite_import" "$sqlite_reference"
pg_import=$(timed "$server" import "$work/export" --db "$pg/chat")
check_counts
pg_reference=$(timed bash -c pg_ref)
report PostgreSQL "$pg_import" "$pg_reference"
