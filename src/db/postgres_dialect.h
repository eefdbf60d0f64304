// The chat's statements as PostgreSQL reads them. Statements are written once, in the
// dialect the SQLite backend runs; this is the one place that translates them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ravochat::db {

struct PostgresStatement {
  std::string text;
  std::size_t values = 0;  // "?" in the statement, now $1 to $values
  std::size_t nows = 0;    // now() calls, now $values+1 onwards, bound to the clock's time
};

// Translates `sql` outside its quoted texts and names: each "?" becomes $1, $2, ... in
// order; each now() a further parameter; the table name user is quoted ("user" is a
// reserved word there); COLLATE NOCASE is dropped, since the columns it is used on ignore
// letter case in the PostgreSQL schema. Example:
// ToPostgres("SELECT * FROM user WHERE username=? COLLATE NOCASE AND
// datediff('d',log_time,now())>?")
//   .text == "SELECT * FROM \"user\" WHERE username=$1 AND datediff('d',log_time,$3)>$2"
PostgresStatement ToPostgres(std::string_view sql);

}  // namespace ravochat::db
