// The SQLite backend: opening and pooling, statements with bound values, recordsets.
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "core/convert.h"
#include "ravochat/database.h"
#include "ravochat/error.h"
#include "support/temp_database.h"

namespace ravochat::db {
namespace {

using testing::TempDatabase;

std::unique_ptr<Connection> OpenTemp(const TempDatabase& temp) {
  return Connection::Open(temp.connstr(), SystemClock::Instance());
}

std::string ErrorOf(Connection& conn, std::string_view sql, const std::vector<Value>& params = {}) {
  try {
    conn.Execute(sql, params);
  } catch (const DatabaseError& e) {
    return e.what();
  }
  return "no error";
}

TEST(Connection, OpeningAMissingFileFailsInsteadOfMakingAnEmptyDatabase) {
  std::string path = (std::filesystem::temp_directory_path() / "ravochat-no-such.db").string();
  std::filesystem::remove(path);
  EXPECT_THROW(Connection::Open("sqlite:" + path, SystemClock::Instance()), DatabaseError);
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(Connection, AnEmptyConnectionStringNamesNoDatabase) {
  EXPECT_THROW(Connection::Open("sqlite:", SystemClock::Instance()), DatabaseError);
}

TEST(Connection, APlainPathAndTheSqlitePrefixOpenTheSameFile) {
  TempDatabase temp;
  temp.Exec("INSERT INTO sysparam (alias, body) VALUES ('maxtalk', '100')");
  std::string path = temp.connstr().substr(std::string("sqlite:").size());
  auto conn = Connection::Open(path, SystemClock::Instance());
  Recordset rs = conn->Execute("SELECT body FROM sysparam WHERE alias='maxtalk'");
  EXPECT_EQ(convert::ToText(rs.Field("body")), "100");
}

TEST(Connection, TheDatabaseRunsInWalMode) {
  TempDatabase temp;
  EXPECT_EQ(temp.Scalar("PRAGMA journal_mode"), "wal");
}

TEST(Connection, AClosedConnectionHandsItsOpenHandleToTheNextOne) {
  TempDatabase temp;
  // A temporary table lives in one handle only, so seeing it proves the handle was reused.
  OpenTemp(temp)->Execute("CREATE TEMP TABLE marker (x)");
  EXPECT_NO_THROW(OpenTemp(temp)->Execute("SELECT x FROM marker"));
}

TEST(Connection, ConnectionsOpenAtTheSameTimeHaveTheirOwnHandles) {
  TempDatabase temp;
  auto first = OpenTemp(temp);
  first->Execute("CREATE TEMP TABLE marker (x)");
  auto second = OpenTemp(temp);
  EXPECT_THROW(second->Execute("SELECT x FROM marker"), DatabaseError);
}

TEST(Connection, AFailingStatementNamesTheStatementAndTheDatabaseMessage) {
  TempDatabase temp;
  auto conn = OpenTemp(temp);
  EXPECT_EQ(ErrorOf(*conn, "SELECT * FROM nosuch"),
            "statement \"SELECT * FROM nosuch\" failed: no such table: nosuch");
}

TEST(Connection, AConstraintFailureAtRunTimeNamesTheStatement) {
  TempDatabase temp;
  auto conn = OpenTemp(temp);
  const char* insert = "INSERT INTO \"user\" (username) VALUES (?)";
  conn->Execute(insert, {"abc"});
  EXPECT_EQ(ErrorOf(*conn, insert, {"ABC"}),
            "statement \"INSERT INTO \"user\" (username) VALUES (?)\" failed: UNIQUE constraint "
            "failed: user.username");
}

TEST(Connection, TheNumberOfBoundValuesMustMatchTheStatement) {
  TempDatabase temp;
  auto conn = OpenTemp(temp);
  EXPECT_EQ(ErrorOf(*conn, "SELECT * FROM room WHERE ID=?"),
            "statement \"SELECT * FROM room WHERE ID=?\" failed: it takes 1 values, 0 were given");
}

TEST(Connection, TextHoldingASecondStatementIsRefused) {
  TempDatabase temp;
  auto conn = OpenTemp(temp);
  EXPECT_THROW(conn->Execute("SELECT 1; DELETE FROM room"), DatabaseError);
}

TEST(Connection, AQuoteInABoundValueNeitherFailsNorChangesTheStatement) {
  TempDatabase temp;
  auto conn = OpenTemp(temp);
  std::string name = "a'b' OR '1'='1";
  conn->Execute("INSERT INTO \"user\" (username, passwd) VALUES ('plain', 'x')");
  conn->Execute("INSERT INTO \"user\" (username, passwd) VALUES (?, ?)", {name, "it's"});
  Recordset rs = conn->Execute("SELECT * FROM \"user\" WHERE username=?", {name});
  ASSERT_FALSE(rs.Eof());
  EXPECT_EQ(convert::ToText(rs.Field("passwd")), "it's");
  rs.MoveNext();
  EXPECT_TRUE(rs.Eof());
}

TEST(Connection, UserNamesAreFoundWithoutRegardToLetterCase) {
  TempDatabase temp;
  temp.Exec("INSERT INTO \"user\" (username) VALUES ('Abc')");
  EXPECT_EQ(temp.Scalar("SELECT username FROM \"user\" WHERE username=?", {"aBC"}), "Abc");
}

TEST(Connection, ValuesOfEveryKindAreBoundAndReadBack) {
  TempDatabase temp;
  auto conn = OpenTemp(temp);
  Date date = convert::FromCivil({2026, 12, 6, 8, 9, 7});
  Recordset rs = conn->Execute("SELECT ? AS i, ? AS d, ? AS t, ? AS b, ? AS dt, ? AS e, ? AS n",
                               {42, 2.5, "文字", true, date, Value(), Value::Null()});
  EXPECT_EQ(rs.Field("i"), Value(42));
  EXPECT_EQ(rs.Field("d"), Value(2.5));
  EXPECT_EQ(rs.Field("t"), Value("文字"));
  EXPECT_EQ(rs.Field("b"), Value(1));
  EXPECT_EQ(rs.Field("dt"), Value("2026-12-06 08:09:07"));
  EXPECT_TRUE(rs.Field("e").IsNull());
  EXPECT_TRUE(rs.Field("n").IsNull());
}

TEST(Connection, AnArrayCannotBeBound) {
  TempDatabase temp;
  auto conn = OpenTemp(temp);
  EXPECT_THROW(conn->Execute("SELECT ?", {Value::Array(2)}), DatabaseError);
}

TEST(Connection, AStatementStillRunsAfterAFailedBindingOfTheSameText) {
  TempDatabase temp;
  auto conn = OpenTemp(temp);
  EXPECT_THROW(conn->Execute("SELECT ? AS v", {Value::Array(2)}), DatabaseError);
  EXPECT_EQ(conn->Execute("SELECT ? AS v", {7}).Field("v"), Value(7));
}

TEST(Connection, ManyDifferentStatementsOnOneHandleAllRun) {
  TempDatabase temp;
  auto conn = OpenTemp(temp);
  for (int i = 0; i < 600; ++i) {
    std::string sql = "SELECT " + std::to_string(i) + " AS v";
    ASSERT_EQ(conn->Execute(sql).Field("v"), Value(i));
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

TEST(Recordset, AnEmptyResultIsAtBothEnds) {
  TempDatabase temp;
  Recordset rs = OpenTemp(temp)->Execute("SELECT * FROM room");
  EXPECT_TRUE(rs.Eof());
  EXPECT_TRUE(rs.Bof());
}

TEST(Recordset, RowsAreReadFrontToBackAndColumnNamesIgnoreCase) {
  TempDatabase temp;
  temp.Exec("INSERT INTO scrollad (ID, ad_title, ad_link) VALUES (1, 'a', 'x'), (2, 'b', NULL)");
  Recordset rs = OpenTemp(temp)->Execute("SELECT * FROM scrollad ORDER BY ID DESC");
  EXPECT_FALSE(rs.Bof());
  EXPECT_EQ(rs.Field("AD_TITLE"), Value("b"));
  EXPECT_TRUE(rs.Field("ad_link").IsNull());
  EXPECT_EQ(convert::ToText(rs.Field("ad_link")), "");
  rs.MoveNext();
  EXPECT_EQ(rs.Field("id"), Value(1));
  EXPECT_EQ(rs.FieldAt(1), Value("a"));
  rs.MoveNext();
  EXPECT_TRUE(rs.Eof());
  EXPECT_FALSE(rs.Bof());
}

TEST(Recordset, ACountIsReadByItsAlias) {
  TempDatabase temp(true);
  Recordset rs = OpenTemp(temp)->Execute("select count(*) as totalnum from autoact");
  EXPECT_EQ(rs.Field("totalnum"), Value(12));
}

TEST(Recordset, ReadingAnUnknownColumnOrPastTheEndFails) {
  TempDatabase temp;
  Recordset rs = OpenTemp(temp)->Execute("SELECT 1 AS one");
  EXPECT_THROW(rs.Field("two"), DatabaseError);
  rs.MoveNext();
  EXPECT_THROW(rs.Field("one"), DatabaseError);
  EXPECT_THROW(rs.MoveNext(), DatabaseError);
}

TEST(Recordset, AClosedRecordsetIsAtItsEnd) {
  TempDatabase temp;
  Recordset rs = OpenTemp(temp)->Execute("SELECT 1 AS one");
  rs.Close();
  EXPECT_TRUE(rs.Eof());
}

TEST(Recordset, ItOutlivesItsConnection) {
  TempDatabase temp;
  Recordset rs = OpenTemp(temp)->Execute("SELECT 5 AS five");
  EXPECT_EQ(rs.Field("five"), Value(5));
}

}  // namespace
}  // namespace ravochat::db
