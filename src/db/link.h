// One open connection to a chat database, of either kind (SQLite or PostgreSQL), as the
// pool keeps it between requests, and the rows a statement returns. A link serves one
// Connection at a time.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ravochat/clock.h"
#include "ravochat/database.h"
#include "ravochat/value.h"

namespace ravochat::db {

// Every row of a statement's result, read front to back by the Recordset.
class Recordset::Impl {
 public:
  std::vector<std::string> names;
  std::vector<std::vector<Value>> rows;
  std::size_t position = 0;
};

class Link {
 public:
  virtual ~Link() = default;

  // The clock that now() reads; set by every connection that takes the link.
  virtual void SetClock(const Clock& clock) = 0;
  // Runs `sql` with `params` bound to its "?" in order; returns every row. Throws
  // DatabaseError naming the statement (StatementFailure) when it fails.
  virtual std::unique_ptr<Recordset::Impl> Run(std::string_view sql,
                                               const std::vector<Value>& params) = 0;
  // False once the link to its database is lost; the pool closes it instead of keeping it.
  virtual bool Alive() { return true; }
};

// "statement <sql> failed: <message>", the text of every failing statement's error.
std::string StatementFailure(std::string_view sql, std::string_view message);
// The failure of `sql` run with `given` values where it takes `expected`.
std::string ValueCountFailure(std::string_view sql, std::size_t expected, std::size_t given);

}  // namespace ravochat::db
