# shellcheck shell=bash
# A throwaway PostgreSQL cluster for a benchmark, in the folder $work/postgres and reached over
# loopback TCP: start_postgres sets $pg to its address (without a database name);
# stop_postgres stops it. Sourced by the benchmarks that measure PostgreSQL.
start_postgres() {
  scripts/throwaway-postgres start "$work/postgres" >/dev/null
  [ -f "$work/postgres/server" ] || { echo "PostgreSQL is not installed"; exit 1; }
  pg="postgresql://ravochat@127.0.0.1:$(sed 's/.*port=\([0-9]*\).*/\1/' "$work/postgres/server")"
}
stop_postgres() { scripts/throwaway-postgres stop "$work/postgres"; }
