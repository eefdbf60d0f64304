// The statements' translation into PostgreSQL's dialect.
#include "db/postgres_dialect.h"

#include <gtest/gtest.h>

namespace ravochat::db {
namespace {

TEST(PostgresDialect, TranslatesOutsideQuotedTextsAndNamesOnly) {
  const struct {
    std::string_view sql, text;
    std::size_t values, nows;
  } kCases[] = {
      {"UPDATE user SET out_time=? WHERE username=?",
       "UPDATE \"user\" SET out_time=$1 WHERE username=$2", 2, 0},
      {"SELECT * FROM \"user\" WHERE username=? COLLATE NOCASE and x=?",
       "SELECT * FROM \"user\" WHERE username=$1  and x=$2", 2, 0},
      {"DELETE FROM record WHERE datediff('d',occ_time,NOW ( ))>? AND now()<>?",
       "DELETE FROM record WHERE datediff('d',occ_time,$3)>$1 AND $4<>$2", 2, 2},
      {"SELECT 'user?' AS \"now()\", users, username, nowhere FROM x WHERE a='it''s ?'",
       "SELECT 'user?' AS \"now()\", users, username, nowhere FROM x WHERE a='it''s ?'", 0, 0},
      {"SELECT * FROM ip_lock WHERE ? like '%'||ip||'%'",
       "SELECT * FROM ip_lock WHERE $1 like '%'||ip||'%'", 1, 0},
  };
  for (const auto& c : kCases) {
    const PostgresStatement statement = ToPostgres(c.sql);
    EXPECT_EQ(statement.text, c.text);
    EXPECT_EQ(statement.values, c.values) << c.sql;
    EXPECT_EQ(statement.nows, c.nows) << c.sql;
  }
}

}  // namespace
}  // namespace ravochat::db
