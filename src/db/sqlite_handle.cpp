// SQLite handles: opening, the per-handle statement cache and scripts.
#include "db/sqlite_handle.h"

#include <string>

#include "db/sql_functions.h"
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

}  // namespace

std::string StatementFailure(std::string_view sql, std::string_view message) {
  std::string text = "statement \"";
  text.append(sql).append("\" failed: ").append(message);
  return text;
}

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
