// Temporary chat databases: a copy of a SQLite template in a fresh folder, or a new database
// in the PostgreSQL cluster that RAVOCHAT_TEST_SERVERS names.
#include "support/temp_database.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <system_error>

#include <unistd.h>

#include "core/convert.h"
#include "db/pool.h"
#include "db/schema.h"
#include "ravochat/database.h"
#include "ravochat/error.h"
#include "support/temp_folder.h"

namespace ravochat::testing {
namespace {

// Creating a database costs a few file syncs: each kind is made once per run, then copied.
std::string TemplateOf(bool with_defaults) {
  static const std::unique_ptr<TempFolder> templates = [] {
    auto folder = std::make_unique<TempFolder>();
    db::CreateTables(folder->path() + "/schema.db", false);
    db::CreateTables(folder->path() + "/defaults.db", true);
    return folder;
  }();
  return templates->path() + (with_defaults ? "/defaults.db" : "/schema.db");
}

// The first line of the file in which the test run's server of `kind` ("postgres", "redis")
// says how to reach it; nullopt when there is none, with the reason, naming it `what`, in `why`.
std::optional<std::string> TestServer(std::string_view kind, std::string_view what,
                                      std::string& why) {
  const char* servers = std::getenv("RAVOCHAT_TEST_SERVERS");
  if (servers == nullptr) {
    why = "no " + std::string(what) + ": ctest starts one (RAVOCHAT_TEST_SERVERS names it)";
    return std::nullopt;
  }
  const std::string file = std::string(servers) + "/" + std::string(kind) + "/server";
  std::string server;
  if (!std::getline(std::ifstream(file) >> std::ws, server)) {
    why = "no " + std::string(what) + " at " + file + ": is it installed?";
    return std::nullopt;
  }
  return server;
}

// The libpq keyword string of the test cluster's server, without a database name.
std::optional<std::string> PostgresServer(std::string& why) {
  return TestServer("postgres", "PostgreSQL test cluster", why);
}

void Admin(const std::string& server, const std::string& sql,
           const std::vector<Value>& params = {}) {
  db::Connection::Open(server + " dbname=postgres", SystemClock::Instance())->Execute(sql, params);
}

// Skips the current test with the reason `why`, or on CI (CI=true) fails it.
void SkipOrFail(const std::string& why) {
  if (const char* ci = std::getenv("CI"); ci != nullptr && std::string_view(ci) == "true") {
    [&] { FAIL() << why; }();
  } else {
    [&] { GTEST_SKIP() << why; }();
  }
}

}  // namespace

std::string UniqueName() {
  static std::atomic<int> counter = 0;
  return "t" + std::to_string(getpid()) + "_" + std::to_string(++counter);
}

std::string MakeTempFolder() {
  // Memory-backed /dev/shm unless TMPDIR says otherwise: file syncs cost nothing there.
  const bool shm = std::getenv("TMPDIR") == nullptr && access("/dev/shm", W_OK) == 0;
  std::string pattern =
      (shm ? "/dev/shm" : std::filesystem::temp_directory_path().string()) + "/ravochat-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) throw Error("cannot make a temporary folder");
  return pattern;
}

std::string BackendName(const ::testing::TestParamInfo<Backend>& info) {
  return info.param == Backend::kSqlite ? "Sqlite" : "Postgres";
}

std::string TestRedisAddress() {
  std::string why;
  const std::optional<std::string> address = TestServer("redis", "Redis test server", why);
  if (!address) SkipOrFail(why);
  return address.value_or("");
}

Backend ReachableBackend(Backend wanted) {
  std::string why;
  if (wanted == Backend::kSqlite || PostgresServer(why)) return wanted;
  SkipOrFail(why);
  return Backend::kSqlite;
}

TempDatabase::TempDatabase(bool with_defaults, Backend backend, bool with_tables)
    : backend_(backend) {
  if (backend == Backend::kSqlite) {
    dir_ = MakeTempFolder();
    connstr_ = "sqlite:" + dir_ + "/chat.db";
    if (with_tables) std::filesystem::copy_file(TemplateOf(with_defaults), dir_ + "/chat.db");
    return;
  }
  std::string why;
  const std::optional<std::string> server = PostgresServer(why);
  if (!server) throw Error(why);
  name_ = UniqueName();
  Admin(*server, "CREATE DATABASE " + name_);
  connstr_ = *server + " dbname=" + name_;
  if (with_tables) db::CreateTables(connstr_, with_defaults);
}

TempDatabase::~TempDatabase() {
  db::DropPool(connstr_);
  std::error_code ignored;
  if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
  if (name_.empty()) return;
  std::string why;
  try {
    Admin(*PostgresServer(why), "DROP DATABASE " + name_ + " WITH (FORCE)");
  } catch (const Error& e) {
    // The cluster goes at the end of the run with whatever it holds.
    std::fprintf(stderr, "temporary database %s stays: %s\n", name_.c_str(), e.what());
  }
}

void TempDatabase::Exec(std::string_view sql, const std::vector<Value>& params) {
  db::Connection::Open(connstr_, SystemClock::Instance())->Execute(sql, params);
}

std::string TempDatabase::Joined(std::string_view sql, std::string_view separator) {
  auto conn = db::Connection::Open(connstr_, SystemClock::Instance());
  std::string joined;
  for (db::Recordset rs = conn->Execute(sql); !rs.Eof(); rs.MoveNext())
    joined.append(joined.empty() ? "" : separator).append(convert::ToText(rs.FieldAt(0)));
  return joined;
}

std::string TempDatabase::Scalar(std::string_view sql, const std::vector<Value>& params) {
  auto conn = db::Connection::Open(connstr_, SystemClock::Instance());
  db::Recordset rs = conn->Execute(sql, params);
  return rs.Eof() ? "" : convert::ToText(rs.FieldAt(0));
}

void TempDatabase::SetReachable(bool reachable) {
  std::string why;
  const std::string server = *PostgresServer(why);
  Admin(server, "ALTER DATABASE " + name_ + " ALLOW_CONNECTIONS " + (reachable ? "true" : "false"));
  if (reachable) return;
  Admin(server, "SELECT pg_terminate_backend(pid, 5000) FROM pg_stat_activity WHERE datname=?",
        {name_});
}

}  // namespace ravochat::testing
