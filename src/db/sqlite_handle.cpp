// SQLite handles: opening, the per-handle statement cache, statements and scripts.
#include "db/sqlite_handle.h"

#include <string>

#include "db/sql_functions.h"
#include "db/sql_value.h"
#include "ravochat/error.h"

namespace ravochat::db {
namespace {

constexpr int kBusyTimeoutMs = 5000;
// Statements built with numbers in their text (the housekeeping thresholds) would grow the
// cache without end; past this many it starts again.
constexpr std::size_t kMaxCachedStatements = 256;

bool IsBlank(std::string_view s) {
  return s.find_first_not_of(" \t\r\n;") == std::string_view::npos;
}

// Resets a cached statement and drops its bindings when the execution ends, however it ends.
class StatementUse {
 public:
  explicit StatementUse(sqlite3_stmt* stmt) : stmt_(stmt) {}
  ~StatementUse() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
  }
  StatementUse(const StatementUse&) = delete;
  StatementUse& operator=(const StatementUse&) = delete;

 private:
  sqlite3_stmt* stmt_;
};

void BindAll(sqlite3_stmt* stmt, std::string_view sql, const std::vector<Value>& params) {
  const auto expected = static_cast<std::size_t>(sqlite3_bind_parameter_count(stmt));
  if (expected != params.size()) {
    throw DatabaseError(ValueCountFailure(sql, expected, params.size()));
  }
  for (std::size_t i = 0; i < expected; ++i) {
    BindValue(stmt, static_cast<int>(i + 1), params[i], sql);
  }
}

std::vector<std::string> ColumnNames(sqlite3_stmt* stmt) {
  std::vector<std::string> names;
  int count = sqlite3_column_count(stmt);
  names.reserve(count);
  for (int i = 0; i < count; ++i) names.emplace_back(sqlite3_column_name(stmt, i));
  return names;
}

std::vector<Value> ReadRow(sqlite3_stmt* stmt, std::size_t columns) {
  std::vector<Value> row;
  row.reserve(columns);
  for (std::size_t i = 0; i < columns; ++i) row.push_back(ColumnValue(stmt, static_cast<int>(i)));
  return row;
}

}  // namespace

Handle::Handle(const std::string& path, bool create) : clock_(&SystemClock::Instance()) {
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
  if (create) flags |= SQLITE_OPEN_CREATE;
  int rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
  if (rc == SQLITE_OK) rc = sqlite3_busy_timeout(db_, kBusyTimeoutMs);
  if (rc == SQLITE_OK) {
    rc = sqlite3_exec(db_, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;", nullptr, nullptr,
                      nullptr);
  }
  if (rc == SQLITE_OK) rc = RegisterFunctions(*this);
  if (rc != SQLITE_OK) {
    std::string message = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
    sqlite3_close_v2(db_);
    db_ = nullptr;
    throw DatabaseError("cannot open database \"" + path + "\": " + message);
  }
}

Handle::~Handle() {
  ClearStatements();
  sqlite3_close_v2(db_);
}

void Handle::ClearStatements() {
  for (auto& [sql, stmt] : statements_) sqlite3_finalize(stmt);
  statements_.clear();
}

sqlite3_stmt* Handle::Prepare(std::string_view sql) {
  if (auto it = statements_.find(sql); it != statements_.end()) return it->second;
  if (statements_.size() >= kMaxCachedStatements) ClearStatements();
  sqlite3_stmt* stmt = nullptr;
  const char* tail = nullptr;
  int rc = sqlite3_prepare_v3(db_, sql.data(), static_cast<int>(sql.size()),
                              SQLITE_PREPARE_PERSISTENT, &stmt, &tail);
  if (rc != SQLITE_OK) throw DatabaseError(StatementFailure(sql, sqlite3_errmsg(db_)));
  if (stmt == nullptr) throw DatabaseError(StatementFailure(sql, "no statement in the text"));
  if (!IsBlank(std::string_view(tail, sql.data() + sql.size() - tail))) {
    sqlite3_finalize(stmt);
    throw DatabaseError(StatementFailure(sql, "the text holds more than one statement"));
  }
  statements_.emplace(std::string(sql), stmt);
  return stmt;
}

std::unique_ptr<Recordset::Impl> Handle::Run(std::string_view sql,
                                             const std::vector<Value>& params) {
  sqlite3_stmt* stmt = Prepare(sql);
  StatementUse use(stmt);
  BindAll(stmt, sql, params);
  auto result = std::make_unique<Recordset::Impl>();
  result->names = ColumnNames(stmt);
  int rc;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    result->rows.push_back(ReadRow(stmt, result->names.size()));
  }
  if (rc != SQLITE_DONE) throw DatabaseError(StatementFailure(sql, sqlite3_errmsg(db_)));
  return result;
}

void Handle::ExecScript(const char* script, std::string_view what) {
  char* error = nullptr;
  int rc = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, &error);
  if (rc == SQLITE_OK) rc = sqlite3_exec(db_, script, nullptr, nullptr, &error);
  if (rc == SQLITE_OK) rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, &error);
  if (rc == SQLITE_OK) return;
  std::string message = error ? error : sqlite3_errstr(rc);
  sqlite3_free(error);
  sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  throw DatabaseError(StatementFailure(what, message));
}

}  // namespace ravochat::db
