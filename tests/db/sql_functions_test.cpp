// now() and datediff() as the chat's statements see them, alike on both backends; the
// boundary counting itself is tested with the date conversions.
#include <gtest/gtest.h>

#include "core/convert.h"
#include "ravochat/database.h"
#include "ravochat/error.h"
#include "support/temp_database.h"

namespace ravochat::db {
namespace {

using testing::Backend;
using testing::TempDatabase;

class SqlFunctions : public ::testing::TestWithParam<Backend> {
 protected:
  Value Eval(std::string_view sql) { return conn_->Execute(sql).FieldAt(0); }

  std::unique_ptr<TempDatabase> temp_ =
      std::make_unique<TempDatabase>(false, testing::ReachableBackend(GetParam()));
  ManualClock clock_{convert::FromCivil({2026, 12, 6, 12, 0, 0})};
  std::unique_ptr<Connection> conn_ = Connection::Open(temp_->connstr(), clock_);
};

TEST_P(SqlFunctions, DatediffCountsTheBoundariesOfEachIntervalLetterInEitherCase) {
  EXPECT_EQ(Eval("SELECT datediff('d', '2026-12-06 23:59:00', '2026-12-07 00:01:00')"), Value(1));
  EXPECT_EQ(Eval("SELECT DATEDIFF('D', '2026-12-01', '2026-12-06')"), Value(5));
  EXPECT_EQ(Eval("SELECT datediff('h', '2026-12-06 10:59:59', '2026-12-06 11:00:00')"), Value(1));
  EXPECT_EQ(Eval("SELECT datediff('n', '2026-12-06 10:01:00', '2026-12-06 10:00:59')"), Value(-1));
  EXPECT_EQ(Eval("SELECT datediff('s', '2026-12-06 10:00:00', '2026-12-06 09:59:58')"), Value(-2));
  // A NULL date gives NULL and a wrong argument fails the statement.
  EXPECT_TRUE(Eval("SELECT datediff('d', NULL, now())").IsNull());
  EXPECT_THROW(Eval("SELECT datediff('x', now(), now())"), DatabaseError);
  EXPECT_THROW(Eval("SELECT datediff('d', 'soon', now())"), DatabaseError);
}

TEST_P(SqlFunctions, StoredDatesAgeAgainstTheClockOfTheConnection) {
  temp_->Exec("INSERT INTO calls (towho, calltime, read) VALUES ('a', '2026-11-26 23:59:59', 0)");
  EXPECT_EQ(Eval("SELECT datediff('d', calltime, now()) FROM calls"), Value(10));
  EXPECT_EQ(Eval("SELECT now()"), Value("2026-12-06 12:00:00"));
  clock_.Advance(61);
  EXPECT_EQ(Eval("SELECT now()"), Value("2026-12-06 12:01:01"));
  // A pooled handle reads the clock of the connection that took it.
  conn_.reset();
  ManualClock other(convert::FromCivil({2030, 1, 2, 3, 4, 5}));
  auto conn = Connection::Open(temp_->connstr(), other);
  EXPECT_EQ(conn->Execute("SELECT now()").FieldAt(0), Value("2030-01-02 03:04:05"));
}

INSTANTIATE_TEST_SUITE_P(Db, SqlFunctions, testing::kBothBackends, testing::BackendName);

}  // namespace
}  // namespace ravochat::db
