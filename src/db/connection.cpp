// Connection and Recordset over pooled links of either kind. A statement runs to completion
// in Execute and its rows are kept in the recordset, so a link holds no open result while a
// page works through the rows.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/strings.h"
#include "db/pool.h"
#include "ravochat/database.h"
#include "ravochat/error.h"

namespace ravochat::db {

std::string StatementFailure(std::string_view sql, std::string_view message) {
  std::string text = "statement \"";
  text.append(sql).append("\" failed: ").append(message);
  return text;
}

std::string ValueCountFailure(std::string_view sql, std::size_t expected, std::size_t given) {
  return StatementFailure(sql, "it takes " + std::to_string(expected) + " values, " +
                                   std::to_string(given) + " were given");
}

class Connection::Impl {
 public:
  Impl(std::shared_ptr<Pool> pool, std::unique_ptr<Link> link)
      : pool(std::move(pool)), link(std::move(link)) {}
  ~Impl() { pool->Give(std::move(link)); }

  std::shared_ptr<Pool> pool;
  std::unique_ptr<Link> link;
};

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
  std::unique_ptr<Link> link = pool->Take();
  link->SetClock(clock);
  return std::make_unique<Connection>(std::make_unique<Impl>(std::move(pool), std::move(link)));
}

Connection::Connection(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Connection::~Connection() = default;

Recordset Connection::Execute(std::string_view sql, const std::vector<Value>& params) {
  return Recordset(impl_->link->Run(sql, params));
}

}  // namespace ravochat::db
