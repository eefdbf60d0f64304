// A temporary chat database made from the real schema, removed at the end of the test: a
// SQLite file, or a PostgreSQL database in the test run's throwaway cluster; and the address
// of the run's throwaway Redis server.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "ravochat/value.h"

namespace ravochat::testing {

enum class Backend { kSqlite, kPostgres };

// Both backends, and their names, for a suite that runs on each:
// INSTANTIATE_TEST_SUITE_P(Db, Suite, kBothBackends, BackendName);
inline const auto kBothBackends = ::testing::Values(Backend::kSqlite, Backend::kPostgres);
std::string BackendName(const ::testing::TestParamInfo<Backend>& info);
void PrintTo(Backend backend, std::ostream* out);

// `wanted` when it can be reached. Otherwise (PostgreSQL without the cluster that ctest
// starts) it skips the current test with the reason, or on CI (CI=true) fails it, and
// returns SQLite, so that the test's fixture still builds: TempDatabase db{false,
// ReachableBackend(GetParam())}.
Backend ReachableBackend(Backend wanted);

// A name that no other one of this run's test processes uses ("t<pid>_<n>"): of a
// PostgreSQL database, a chat's prefix in Redis.
std::string UniqueName();

// The address of the Redis server that ctest starts for the run ("unix:/tmp/.../redis.sock").
// Without it the current test is skipped with the reason, or on CI failed, and it is "".
std::string TestRedisAddress();

// A new empty folder under the temporary root (/dev/shm where there is one); the caller
// removes it. Throws Error.
std::string MakeTempFolder();

class TempDatabase {
 public:
  // With `with_defaults`, the default rows of a new chat are filled in too; without,
  // every table is empty. Without `with_tables` it has no tables at all: an empty
  // PostgreSQL database, or no SQLite file yet.
  explicit TempDatabase(bool with_defaults = false, Backend backend = Backend::kSqlite,
                        bool with_tables = true);
  ~TempDatabase();
  TempDatabase(const TempDatabase&) = delete;
  TempDatabase& operator=(const TempDatabase&) = delete;

  // The connection string ("_connstr") of the database.
  const std::string& connstr() const { return connstr_; }
  Backend backend() const { return backend_; }
  // Runs a statement, "?" bound to `params` in order.
  void Exec(std::string_view sql, const std::vector<Value>& params = {});
  // The first column of every row as text, joined by `separator`.
  std::string Joined(std::string_view sql, std::string_view separator = ",");
  // The first column of the first row as text, "" when there is no row.
  std::string Scalar(std::string_view sql, const std::vector<Value>& params = {});
  // PostgreSQL only: with false the database refuses new connections and its open ones
  // are ended, as when its server goes down; with true it lets them in again.
  void SetReachable(bool reachable);

 private:
  Backend backend_;
  std::string dir_;   // SQLite: the folder of the file
  std::string name_;  // PostgreSQL: the database's name
  std::string connstr_;
};

}  // namespace ravochat::testing
