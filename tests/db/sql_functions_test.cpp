// now() and datediff() as the chat's statements see them.
#include <gtest/gtest.h>

#include "core/convert.h"
#include "ravochat/database.h"
#include "ravochat/error.h"
#include "support/temp_database.h"

namespace ravochat::db {
namespace {

using testing::TempDatabase;

class SqlFunctions : public ::testing::Test {
 protected:
  Value Eval(std::string_view sql, const std::vector<Value>& params = {}) {
    return conn_->Execute(sql, params).FieldAt(0);
  }
  std::int64_t Diff(std::string_view interval, std::string_view a, std::string_view b) {
    Value v = Eval("SELECT datediff(?, ?, ?)", {interval, a, b});
    return *v.AsInteger();
  }

  TempDatabase temp_;
  ManualClock clock_{convert::FromCivil({2026, 12, 6, 12, 0, 0})};
  std::unique_ptr<Connection> conn_ = Connection::Open(temp_.connstr(), clock_);
};

TEST_F(SqlFunctions, DaysCountMidnightsCrossed) {
  EXPECT_EQ(Diff("d", "2026-12-06 23:59:00", "2026-12-07 00:01:00"), 1);
  EXPECT_EQ(Diff("d", "2026-12-06 00:01:00", "2026-12-06 23:59:00"), 0);
  EXPECT_EQ(Diff("d", "2026-12-07 00:01:00", "2026-12-06 23:59:00"), -1);
}

TEST_F(SqlFunctions, MinutesCountMinuteBoundariesCrossed) {
  EXPECT_EQ(Diff("n", "2026-12-06 10:00:59", "2026-12-06 10:01:00"), 1);
  EXPECT_EQ(Diff("n", "2026-12-06 10:01:00", "2026-12-06 10:01:59"), 0);
  EXPECT_EQ(Diff("n", "2026-12-06 10:01:00", "2026-12-06 10:00:59"), -1);
}

TEST_F(SqlFunctions, HoursAndSecondsCountTheirBoundaries) {
  EXPECT_EQ(Diff("h", "2026-12-06 10:59:59", "2026-12-06 11:00:00"), 1);
  EXPECT_EQ(Diff("s", "2026-12-06 10:00:00", "2026-12-06 09:59:58"), -2);
}

TEST_F(SqlFunctions, AnIntervalLetterIsTakenInEitherCase) {
  EXPECT_EQ(*Eval("SELECT DATEDIFF('D', '2026-12-01', '2026-12-06')").AsInteger(), 5);
}

TEST_F(SqlFunctions, ANullDateGivesNull) {
  EXPECT_TRUE(Eval("SELECT datediff('d', NULL, now())").IsNull());
}

TEST_F(SqlFunctions, AnUnknownIntervalOrATextThatIsNoDateFailsTheStatement) {
  EXPECT_THROW(Eval("SELECT datediff('x', now(), now())"), DatabaseError);
  EXPECT_THROW(Eval("SELECT datediff('d', 'tomorrow', now())"), DatabaseError);
}

TEST_F(SqlFunctions, NowFollowsTheClockOfTheConnection) {
  EXPECT_EQ(Eval("SELECT now()"), Value("2026-12-06 12:00:00"));
  clock_.Advance(61);
  EXPECT_EQ(Eval("SELECT now()"), Value("2026-12-06 12:01:01"));
}

TEST_F(SqlFunctions, APooledHandleReadsTheClockOfTheConnectionThatTookIt) {
  conn_.reset();
  ManualClock other(convert::FromCivil({2030, 1, 2, 3, 4, 5}));
  auto conn = Connection::Open(temp_.connstr(), other);
  EXPECT_EQ(conn->Execute("SELECT now()").FieldAt(0), Value("2030-01-02 03:04:05"));
}

TEST_F(SqlFunctions, StoredDatesAgeAgainstNow) {
  temp_.Exec("INSERT INTO calls (towho, calltime, read) VALUES ('a', '2026-11-26 23:59:59', 0)");
  Value days = Eval("SELECT datediff('d', calltime, now()) FROM calls");
  EXPECT_EQ(days, Value(10));
}

}  // namespace
}  // namespace ravochat::db
