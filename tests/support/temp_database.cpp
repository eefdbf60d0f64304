// Temporary chat databases for tests: for SQLite a fresh folder for each, a copy of a
// database made from the real schema; for PostgreSQL a new database in the cluster that
// RAVOCHAT_TEST_SERVERS names, beside the run's Redis server. The pool of its connections is
// dropped before it goes.
#include "support/temp_database.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

#include <unistd.h>

#include "core/convert.h"
#include "db/pool.h"
#include "db/schema.h"
#include "ravochat/database.h"
#include "ravochat/error.h"

namespace ravochat::testing {
namespace {

// Memory-backed /dev/shm where there is one and TMPDIR does not say otherwise: file syncs
// cost nothing there.
std::filesystem::path TempRoot() {
  std::error_code ignored;
  if (std::getenv("TMPDIR") == nullptr && std::filesystem::is_directory("/dev/shm", ignored) &&
      access("/dev/shm", W_OK) == 0) {
    return "/dev/shm";
  }
  return std::filesystem::temp_directory_path();
}

// Creating a database costs a few file syncs; each kind is made once per test run and
// copied from then on. The copies start in WAL mode, which the file itself records.
class Templates {
 public:
  Templates() : dir_(MakeTempFolder()) {
    db::CreateTables(dir_ + "/schema.db", false);
    db::CreateTables(dir_ + "/defaults.db", true);
  }
  ~Templates() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  std::string PathOf(bool with_defaults) const {
    return dir_ + (with_defaults ? "/defaults.db" : "/schema.db");
  }

 private:
  std::string dir_;
};

const Templates& TheTemplates() {
  static const Templates templates;
  return templates;
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

std::string AdminConnstr(const std::string& server) { return server + " dbname=postgres"; }

void Admin(const std::string& server, const std::string& sql,
           const std::vector<Value>& params = {}) {
  db::Connection::Open(AdminConnstr(server), SystemClock::Instance())->Execute(sql, params);
}

// Skips the current test with the reason `why`, or on CI (CI=true) fails it.
void SkipOrFail(const std::string& why) {
  const char* ci = std::getenv("CI");
  if (ci != nullptr && std::string_view(ci) == "true") {
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
  std::string pattern = (TempRoot() / "ravochat-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw Error("cannot make a temporary folder");
  return pattern;
}

std::string BackendName(const ::testing::TestParamInfo<Backend>& info) {
  return info.param == Backend::kSqlite ? "Sqlite" : "Postgres";
}

void PrintTo(Backend backend, std::ostream* out) {
  *out << (backend == Backend::kSqlite ? "SQLite" : "PostgreSQL");
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
    if (with_tables)
      std::filesystem::copy_file(TheTemplates().PathOf(with_defaults), dir_ + "/chat.db");
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
  for (db::Recordset rs = conn->Execute(sql); !rs.Eof(); rs.MoveNext()) {
    joined.append(joined.empty() ? "" : separator).append(convert::ToText(rs.FieldAt(0)));
  }
  return joined;
}

std::string TempDatabase::Scalar(std::string_view sql, const std::vector<Value>& params) {
  auto conn = db::Connection::Open(connstr_, SystemClock::Instance());
  db::Recordset rs = conn->Execute(sql, params);
  if (rs.Eof()) return "";
  // The first column, whatever its name.
  return convert::ToText(rs.FieldAt(0));
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
