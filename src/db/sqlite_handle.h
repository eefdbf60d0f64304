// One open SQLite database handle: WAL mode, a busy timeout, the chat's now() and
// datediff(), and its prepared statements kept by SQL text. A handle serves one
// connection at a time; the pool hands it from one connection to the next.
#pragma once

#include <sqlite3.h>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "db/link.h"
#include "ravochat/clock.h"

namespace ravochat::db {

class Handle : public Link {
 public:
  // Opens the database file `path`, creating it only when `create`. Throws DatabaseError
  // naming the path when it cannot be opened.
  Handle(const std::string& path, bool create);
  ~Handle() override;
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;

  sqlite3* get() const { return db_; }

  void SetClock(const Clock& clock) override { clock_ = &clock; }
  const Clock& clock() const { return *clock_; }
  // The statement runs to completion here and its rows are kept, so the cached statement
  // is free again at once and no read snapshot stays open while a page reads the rows.
  std::unique_ptr<Recordset::Impl> Run(std::string_view sql,
                                       const std::vector<Value>& params) override;

  // The prepared statement for `sql`, prepared on first use and kept. The caller resets it
  // after use. Throws DatabaseError for a statement that does not prepare, an empty one, or
  // text holding more than one statement.
  sqlite3_stmt* Prepare(std::string_view sql);

  // Runs every statement of `script` in one transaction; rolls back on failure.
  // Throws DatabaseError naming `what` and the database's message.
  void ExecScript(const char* script, std::string_view what);

 private:
  struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  void ClearStatements();

  sqlite3* db_ = nullptr;
  const Clock* clock_;
  std::unordered_map<std::string, sqlite3_stmt*, TextHash, std::equal_to<>> statements_;
};

}  // namespace ravochat::db
