// A temporary chat database made from the real schema, removed at the end of the test: a
// SQLite file, or a PostgreSQL database in the test run's throwaway cluster.
#pragma once

#include <gtest/gtest.h>

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

// `wanted` when it can be reached; otherwise it skips the current test (on CI, CI=true, fails
// it) and returns SQLite so that the fixture still builds.
Backend ReachableBackend(Backend wanted);

// A name that no other test process of this run uses ("t<pid>_<n>").
std::string UniqueName();

// The address of the run's Redis server; without it the test is skipped (or failed) and "".
std::string TestRedisAddress();

// A new empty folder, in /dev/shm where it can; the caller removes it. Throws Error.
std::string MakeTempFolder();

class TempDatabase {
 public:
  // With the default rows of a new chat or empty tables; without `with_tables` no tables.
  explicit TempDatabase(bool with_defaults = false, Backend backend = Backend::kSqlite,
                        bool with_tables = true);
  ~TempDatabase();
  TempDatabase(const TempDatabase&) = delete;
  TempDatabase& operator=(const TempDatabase&) = delete;

  const std::string& connstr() const { return connstr_; }
  Backend backend() const { return backend_; }
  // Runs a statement, "?" bound to `params` in order.
  void Exec(std::string_view sql, const std::vector<Value>& params = {});
  // The first column of every row as text, joined by `separator`.
  std::string Joined(std::string_view sql, std::string_view separator = ",");
  // The first column of the first row as text, "" when there is no row.
  std::string Scalar(std::string_view sql, const std::vector<Value>& params = {});
  // PostgreSQL only: false ends and refuses connections, as when the server goes down.
  void SetReachable(bool reachable);

 private:
  Backend backend_;
  std::string dir_;   // SQLite: the folder of the file
  std::string name_;  // PostgreSQL: the database's name
  std::string connstr_;
};

}  // namespace ravochat::testing
