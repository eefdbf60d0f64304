// A temporary SQLite database made from the chat's real schema, removed at the end of
// the test.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ravochat/value.h"

namespace ravochat::testing {

class TempDatabase {
 public:
  // With `with_defaults`, the default rows of a new chat are filled in too; without,
  // every table is empty.
  explicit TempDatabase(bool with_defaults = false);
  ~TempDatabase();
  TempDatabase(const TempDatabase&) = delete;
  TempDatabase& operator=(const TempDatabase&) = delete;

  // The connection string ("_connstr") of the database.
  const std::string& connstr() const { return connstr_; }
  // Runs a statement, "?" bound to `params` in order.
  void Exec(std::string_view sql, const std::vector<Value>& params = {});
  // The first column of the first row as text, "" when there is no row.
  std::string Scalar(std::string_view sql, const std::vector<Value>& params = {});

 private:
  std::string dir_;
  std::string connstr_;
};

}  // namespace ravochat::testing
