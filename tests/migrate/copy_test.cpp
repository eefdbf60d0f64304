// A chat database copied from SQLite to PostgreSQL and back holds the same rows, and
// PostgreSQL numbers new rows on after the copied IDs.
#include "ravochat/migration.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "core/convert.h"
#include "db/pool.h"
#include "migrate/chat_tables.h"
#include "support/temp_database.h"

namespace ravochat::testing {
namespace {

// Every row of every table of `db`, each as "table: field|field|...", sorted.
std::vector<std::string> Rows(const TempDatabase& db, const Clock& clock) {
  auto conn = db::Connection::Open(db.connstr(), clock);
  std::vector<std::string> rows;
  for (const migration::ChatTable& table : migration::CopiedTables()) {
    const auto columns =
        migration::TableColumns(*conn, db::NamesPostgres(db.connstr()), table.name);
    std::string select;
    for (const auto& column : columns) select.append(select.empty() ? "" : ",").append(column.name);
    db::Recordset rs = conn->Execute("SELECT " + select + " FROM " + std::string(table.name));
    for (; !rs.Eof(); rs.MoveNext()) {
      std::string row = std::string(table.name) + ":";
      for (std::size_t i = 0; i < columns.size(); ++i) {
        row.append("|").append(rs.FieldAt(i).IsNull() ? "NULL" : convert::ToText(rs.FieldAt(i)));
      }
      rows.push_back(row);
    }
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

migration::Report Copy(const TempDatabase& from, const TempDatabase& to, const Clock& clock) {
  migration::Options options;
  options.source = from.connstr();
  options.target = to.connstr();
  return migration::Copy(options, clock, [](const migration::TableCount&, bool) {});
}

TEST(Copy, SqliteToPostgresAndBackGivesEqualTablesRowForRow) {
  TempDatabase postgres(false, ReachableBackend(Backend::kPostgres), false);
  ManualClock clock;
  TempDatabase sqlite(true);
  sqlite.Exec(
      "INSERT INTO user (username,passwd,log_time,user_level,friends,saved) VALUES "
      "('张三','ABCdef012345678901234567890123','2026-12-01 10:00:00',3,'Bob carl',1),"
      "('Bob','x',NULL,1,'',0)");
  sqlite.Exec(
      "INSERT INTO guestbook (ID,who,towho,message,post_time) VALUES "
      "(41,'Bob','张三','他说：\"你好, 朋友\"''\n再见','2026-12-02 "
      "08:00:00'),(7,'x','Bob',NULL,NULL)");
  sqlite.Exec(
      "INSERT INTO calls (ID,who,towho,calltime,read) VALUES (900,'Bob','大家','2026-12-03 "
      "01:02:03',1)");
  sqlite.Exec("INSERT INTO vrecord (username,temp_level) VALUES ('Bob',8)");
  sqlite.Exec(
      "INSERT INTO state_snapshot VALUES (3,'2026-12-06 "
      "12:00:00','','value','_says','s:2:\"x','')");
  sqlite.Exec("INSERT INTO operator VALUES ('$argon2id$v=19$m=65536,t=2,p=1$c2FsdA$aGFzaA')");
  const std::vector<std::string> original = Rows(sqlite, clock);

  const migration::Report there = Copy(sqlite, postgres, clock);
  EXPECT_EQ(Rows(postgres, clock), original);
  ASSERT_EQ(there.tables.size(), migration::CopiedTables().size());
  EXPECT_EQ(there.tables[2].table, "user");
  EXPECT_EQ(there.tables[2].rows, 2u);
  TempDatabase back(false, Backend::kSqlite, false);
  Copy(postgres, back, clock);
  EXPECT_EQ(Rows(back, clock), original);

  postgres.Exec("INSERT INTO guestbook (towho) VALUES ('Bob')");
  EXPECT_EQ(postgres.Scalar("SELECT max(ID) FROM guestbook"), "42");
}

}  // namespace
}  // namespace ravochat::testing
