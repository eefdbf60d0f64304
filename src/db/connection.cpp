// Connection and Recordset over pooled SQLite handles. A statement runs to completion in
// Execute and its rows are kept in the recordset, so the handle's cached statement is free
// again at once and no read snapshot stays open while a page works through the rows.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/strings.h"
#include "db/pool.h"
#include "db/sql_value.h"
#include "ravochat/database.h"
#include "ravochat/error.h"

namespace ravochat::db {

class Recordset::Impl {
 public:
  std::vector<std::string> names;
  std::vector<std::vector<Value>> rows;
  std::size_t position = 0;
};

class Connection::Impl {
 public:
  Impl(std::shared_ptr<Pool> pool, std::unique_ptr<Handle> handle)
      : pool(std::move(pool)), handle(std::move(handle)) {}
  ~Impl() { pool->Give(std::move(handle)); }

  std::shared_ptr<Pool> pool;
  std::unique_ptr<Handle> handle;
};

namespace {

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
  int expected = sqlite3_bind_parameter_count(stmt);
  if (expected != static_cast<int>(params.size())) {
    throw DatabaseError(StatementFailure(sql, "it takes " + std::to_string(expected) + " values, " +
                                                  std::to_string(params.size()) + " were given"));
  }
  for (int i = 0; i < expected; ++i) BindValue(stmt, i + 1, params[i], sql);
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

// --- Recordset ---

Recordset::Recordset(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Recordset::Recordset(Recordset&&) noexcept = default;
Recordset& Recordset::operator=(Recordset&&) noexcept = default;
Recordset::~Recordset() = default;

bool Recordset::Eof() const { return !impl_ || impl_->position >= impl_->rows.size(); }

bool Recordset::Bof() const { return !impl_ || impl_->rows.empty(); }

Value Recordset::Field(std::string_view name) const {
  if (Eof()) {
    throw DatabaseError("field \"" + std::string(name) + "\" read with no current record");
  }
  for (std::size_t i = 0; i < impl_->names.size(); ++i) {
    if (strings::EqualsIgnoreCase(impl_->names[i], name)) return impl_->rows[impl_->position][i];
  }
  throw DatabaseError("the result has no field \"" + std::string(name) + "\"");
}

Value Recordset::FieldAt(std::size_t index) const {
  if (Eof()) {
    throw DatabaseError("field " + std::to_string(index) + " read with no current record");
  }
  if (index >= impl_->names.size()) {
    throw DatabaseError("the result has no field " + std::to_string(index));
  }
  return impl_->rows[impl_->position][index];
}

void Recordset::MoveNext() {
  if (Eof()) throw DatabaseError("move past the last record");
  ++impl_->position;
}

void Recordset::Close() { impl_.reset(); }

// --- Connection ---

std::unique_ptr<Connection> Connection::Open(const std::string& connstr, const Clock& clock) {
  std::shared_ptr<Pool> pool = PoolFor(connstr);
  std::unique_ptr<Handle> handle = pool->Take();
  handle->set_clock(clock);
  return std::make_unique<Connection>(std::make_unique<Impl>(std::move(pool), std::move(handle)));
}

Connection::Connection(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Connection::~Connection() = default;

Recordset Connection::Execute(std::string_view sql, const std::vector<Value>& params) {
  Handle& handle = *impl_->handle;
  sqlite3_stmt* stmt = handle.Prepare(sql);
  StatementUse use(stmt);
  BindAll(stmt, sql, params);
  auto result = std::make_unique<Recordset::Impl>();
  result->names = ColumnNames(stmt);
  int rc;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    result->rows.push_back(ReadRow(stmt, result->names.size()));
  }
  if (rc != SQLITE_DONE) throw DatabaseError(StatementFailure(sql, sqlite3_errmsg(handle.get())));
  return Recordset(std::move(result));
}

}  // namespace ravochat::db
