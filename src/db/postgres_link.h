// One open PostgreSQL connection (libpq): dates in ISO form, texts in UTF-8, server
// notices dropped, and its prepared statements kept by SQL text and the kinds of the values
// bound. now() in statements is bound to the clock of the connection that holds the link.
#pragma once

#include <libpq-fe.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "db/link.h"

namespace ravochat::db {

class PostgresLink : public Link {
 public:
  // Connects to the server that `connstr` names (a libpq URI or keyword string). Throws
  // DatabaseError "cannot connect to PostgreSQL at <host>:<port>: <reason>", one line.
  explicit PostgresLink(const std::string& connstr);
  ~PostgresLink() override;
  PostgresLink(const PostgresLink&) = delete;
  PostgresLink& operator=(const PostgresLink&) = delete;

  void SetClock(const Clock& clock) override { clock_ = &clock; }
  std::unique_ptr<Recordset::Impl> Run(std::string_view sql,
                                       const std::vector<Value>& params) override;
  // False once the connection broke, or when the server sent something while it was idle:
  // that is its goodbye before it closes the connection (a restart or shutdown).
  bool Alive() override;

  // Runs every statement of `script`, untranslated, in one transaction. Throws DatabaseError
  // naming `what` and the server's message.
  void ExecScript(const std::string& script, std::string_view what);

 private:
  struct Prepared {
    std::string name;
    std::size_t nows = 0;
  };
  // The prepared statement of `sql` for values of the kinds of `params`. Throws
  // DatabaseError when it does not prepare or takes another number of values.
  const Prepared& Prepare(std::string_view sql, const std::vector<Value>& params);
  // The server's message about the last failure, first line only.
  std::string LastError(PGresult* result) const;

  PGconn* conn_ = nullptr;
  const Clock* clock_;
  std::unordered_map<std::string, Prepared> statements_;
  std::size_t named_ = 0;
};

}  // namespace ravochat::db
