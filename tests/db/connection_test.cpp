// The SQLite backend: opening and pooling, statements with bound values, recordsets.
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "core/convert.h"
#include "ravochat/database.h"
#include "ravochat/error.h"
#include "support/error_text.h"
#include "support/temp_database.h"

namespace ravochat::db {
namespace {

using testing::ErrorText;
using testing::TempDatabase;

std::unique_ptr<Connection> OpenTemp(const TempDatabase& temp) {
  return Connection::Open(temp.connstr(), SystemClock::Instance());
}

TEST(Connection, OpeningAMissingFileFailsInsteadOfMakingAnEmptyDatabase) {
  std::string path = (std::filesystem::temp_directory_path() / "ravochat-no-such.db").string();
  std::filesystem::remove(path);
  EXPECT_EQ(ErrorText<DatabaseError>([&] { Connection::Open(path, SystemClock::Instance()); }),
            "cannot open database \"" + path + "\": unable to open database file");
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_EQ(ErrorText<DatabaseError>([] { Connection::Open("sqlite:", SystemClock::Instance()); }),
            "connection string \"sqlite:\" names no file");
}

TEST(Connection, APlainPathAndTheSqlitePrefixOpenTheSameFileInWalMode) {
  TempDatabase temp;
  temp.Exec("INSERT INTO sysparam (alias, body) VALUES ('maxtalk', '100')");
  std::string path = temp.connstr().substr(std::string("sqlite:").size());
  auto conn = Connection::Open(path, SystemClock::Instance());
  EXPECT_EQ(conn->Execute("SELECT body FROM sysparam").Field("body"), Value("100"));
  EXPECT_EQ(temp.Scalar("PRAGMA journal_mode"), "wal");
}

TEST(Connection, AClosedConnectionHandsItsHandleOnAndOpenOnesHaveTheirOwn) {
  TempDatabase temp;
  // A temporary table lives in one handle only, so seeing it proves the handle was reused.
  OpenTemp(temp)->Execute("CREATE TEMP TABLE marker (x)");
  auto first = OpenTemp(temp);
  EXPECT_NO_THROW(first->Execute("SELECT x FROM marker"));
  EXPECT_THROW(OpenTemp(temp)->Execute("SELECT x FROM marker"), DatabaseError);
}

TEST(Connection, AFailingStatementNamesTheStatementAndTheReason) {
  TempDatabase temp;
  auto conn = OpenTemp(temp);
  auto error_of = [&](std::string_view sql, std::vector<Value> params = {}) {
    return ErrorText<DatabaseError>([&] { conn->Execute(sql, params); });
  };
  // User names are unique without regard to letter case.
  conn->Execute("INSERT INTO \"user\" (username) VALUES ('abc')");
  EXPECT_EQ(error_of("SELECT * FROM nosuch"),
            "statement \"SELECT * FROM nosuch\" failed: no such table: nosuch");
  EXPECT_EQ(error_of("INSERT INTO \"user\" (username) VALUES (?)", {"ABC"}),
            "statement \"INSERT INTO \"user\" (username) VALUES (?)\" failed: UNIQUE constraint "
            "failed: user.username");
  EXPECT_EQ(error_of("SELECT * FROM room WHERE ID=?"),
            "statement \"SELECT * FROM room WHERE ID=?\" failed: it takes 1 values, 0 were given");
  EXPECT_EQ(error_of("SELECT 1; DELETE FROM room"),
            "statement \"SELECT 1; DELETE FROM room\" failed: the text holds more than one "
            "statement");
  EXPECT_EQ(error_of("SELECT ? AS v", {Value::Array(2)}),
            "statement \"SELECT ? AS v\" failed: value 1 is an array and cannot be bound");
  // The cached statement was reset after the failed binding.
  EXPECT_EQ(conn->Execute("SELECT ? AS v", {7}).Field("v"), Value(7));
}

TEST(Connection, AQuoteInABoundValueNeitherFailsNorChangesTheStatement) {
  TempDatabase temp;
  auto conn = OpenTemp(temp);
  std::string name = "a'b' OR '1'='1";
  conn->Execute("INSERT INTO \"user\" (username, passwd) VALUES ('plain', 'x')");
  conn->Execute("INSERT INTO \"user\" (username, passwd) VALUES (?, ?)", {name, "it's"});
  Recordset rs = conn->Execute("SELECT * FROM \"user\" WHERE username=?", {name});
  ASSERT_FALSE(rs.Eof());
  EXPECT_EQ(rs.Field("passwd"), Value("it's"));
  rs.MoveNext();
  EXPECT_TRUE(rs.Eof());
}

TEST(Connection, ValuesOfEveryKindAreBoundAndReadBack) {
  TempDatabase temp;
  Date date = convert::FromCivil({2026, 12, 6, 8, 9, 7});
  Recordset rs =
      OpenTemp(temp)->Execute("SELECT ? AS i, ? AS d, ? AS t, ? AS b, ? AS dt, ? AS e, ? AS n",
                              {42, 2.5, "文字", true, date, Value(), Value::Null()});
  EXPECT_EQ(rs.Field("i"), Value(42));
  EXPECT_EQ(rs.Field("d"), Value(2.5));
  EXPECT_EQ(rs.Field("t"), Value("文字"));
  EXPECT_EQ(rs.Field("b"), Value(1));
  EXPECT_EQ(rs.Field("dt"), Value("2026-12-06 08:09:07"));
  EXPECT_TRUE(rs.Field("e").IsNull());
  EXPECT_TRUE(rs.Field("n").IsNull());
}

TEST(Connection, ManyDifferentStatementsOnOneHandleAllRun) {
  TempDatabase temp;
  auto conn = OpenTemp(temp);
  for (int i = 0; i < 600; ++i) {
    ASSERT_EQ(conn->Execute("SELECT " + std::to_string(i) + " AS v").Field("v"), Value(i));
  }
  EXPECT_EQ(conn->Execute("SELECT 0 AS v").Field("v"), Value(0));
}

TEST(Connection, ConcurrentWritersEachOnTheirOwnConnectionLoseNoRow) {
  TempDatabase temp;
  std::vector<std::thread> writers;
  for (int t = 0; t < 4; ++t) {
    writers.emplace_back([&temp, t] {
      for (int i = 0; i < 50; ++i) {
        OpenTemp(temp)->Execute(
            "INSERT INTO record (stype, occ_time, occ_env) VALUES (?, now(), ?)",
            {t, std::to_string(i)});
      }
    });
  }
  for (std::thread& writer : writers) writer.join();
  EXPECT_EQ(temp.Scalar("SELECT count(*) FROM record"), "200");
}

// Every recordset here outlives the connection that made it.
TEST(Recordset, RowsAreReadFrontToBackAndColumnNamesIgnoreCase) {
  TempDatabase temp;
  temp.Exec("INSERT INTO scrollad (ID, ad_title, ad_link) VALUES (1, 'a', 'x'), (2, 'b', NULL)");
  Recordset rs = OpenTemp(temp)->Execute("SELECT * FROM scrollad ORDER BY ID DESC");
  EXPECT_FALSE(rs.Bof());
  EXPECT_EQ(rs.Field("AD_TITLE"), Value("b"));
  EXPECT_TRUE(rs.Field("ad_link").IsNull());
  rs.MoveNext();
  EXPECT_EQ(rs.Field("id"), Value(1));
  EXPECT_EQ(rs.FieldAt(1), Value("a"));
  rs.MoveNext();
  EXPECT_TRUE(rs.Eof());
  EXPECT_FALSE(rs.Bof());
  Recordset empty = OpenTemp(temp)->Execute("SELECT * FROM room");
  EXPECT_TRUE(empty.Eof());
  EXPECT_TRUE(empty.Bof());
}

TEST(Recordset, ReadingAnUnknownColumnOrPastTheEndFails) {
  TempDatabase temp;
  Recordset rs = OpenTemp(temp)->Execute("SELECT 1 AS one");
  EXPECT_EQ(ErrorText<DatabaseError>([&] { rs.Field("two"); }), "the result has no field \"two\"");
  EXPECT_EQ(ErrorText<DatabaseError>([&] { rs.FieldAt(1); }), "the result has no field 1");
  rs.MoveNext();
  EXPECT_EQ(ErrorText<DatabaseError>([&] { rs.Field("one"); }),
            "field \"one\" read with no current record");
  EXPECT_EQ(ErrorText<DatabaseError>([&] { rs.MoveNext(); }), "move past the last record");
  rs = OpenTemp(temp)->Execute("SELECT 1 AS one");
  rs.Close();
  EXPECT_TRUE(rs.Eof());
}

}  // namespace
}  // namespace ravochat::db
