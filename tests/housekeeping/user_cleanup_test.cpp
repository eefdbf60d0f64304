// UserClear against a real temporary database: once-visitors and regular visitors judged
// by their own limits, saved accounts kept, the log row written before the deletion; and the
// run switch and the numeric limits every housekeeping routine is given.
#include <gtest/gtest.h>

#include <string>

#include "core/convert.h"
#include "housekeeping/routine_inputs.h"
#include "ravochat/error.h"
#include "support/chat_fixture.h"
#include "support/error_text.h"

namespace ravochat {
namespace {

using testing::Backend;
using testing::ChatFixture;

// Once-visitors go after 10 days, the others after 30.
class UserClearTest : public ::testing::TestWithParam<Backend> {
 protected:
  UserClearTest() : chat("", testing::ReachableBackend(GetParam())) {
    chat.Params({"usernameoncetimeout=10", "usernametimeout=30"});
  }

  void AddUser(const std::string& name, int visits, int days_away, int saved = 0) {
    const Date out{chat.clock.Now().seconds - days_away * 86400LL};
    chat.db.Exec("INSERT INTO \"user\" (username,visit_num,out_time,saved) VALUES (?,?,?,?)",
                 {name, visits, convert::DateToText(out), saved});
  }
  std::string Clear(const Value& umod) { return chat.Component()->UserClear(chat.app, umod); }
  std::string Users() { return chat.db.Joined("SELECT username FROM \"user\"", " "); }
  std::string LogRows() { return chat.db.Scalar("SELECT count(*) FROM record"); }

  ChatFixture chat;
};

// One account on each side of every limit, and a long-gone saved account.
TEST_P(UserClearTest, JudgesEachAccountByItsOwnLimitAndDeletesOnlyWhenApplied) {
  AddUser("once_stale", 1, 11);
  AddUser("once_recent", 1, 10);
  AddUser("never_counted", 0, 11);
  AddUser("regular_recent", 2, 30);
  AddUser("regular_stale", 2, 31);
  AddUser("saved", 9, 400, 1);
  chat.Init();
  const std::string stale = "[once_stale, never_counted, regular_stale]";
  EXPECT_EQ(Clear(0), stale);
  EXPECT_EQ(LogRows(), "0");
  EXPECT_EQ(chat.db.Scalar("SELECT count(*) FROM \"user\""), "6");
  EXPECT_EQ(Clear(1), stale);
  EXPECT_EQ(Users(), "once_recent regular_recent saved");
  EXPECT_EQ(
      chat.db.Scalar("SELECT stype || ' ' || occ_time || ' ' || occ_env FROM record"),
      "57 2026-12-06 12:00:00 系统>系统> >" + stale + ">自动>长时间不访问被自动清除 ！>清除用户%%");
  // No stale account left: the empty text and no further log row.
  EXPECT_EQ(Clear(1), "");
  EXPECT_EQ(Users(), "once_recent regular_recent saved");
  EXPECT_EQ(LogRows(), "1");
}

TEST_P(UserClearTest, LogRowIsWrittenBeforeTheDeletion) {
  AddUser("once_stale", 1, 11);
  chat.Init();
  if (chat.db.backend() == Backend::kSqlite) {
    chat.db.Exec(
        "CREATE TRIGGER refuse_delete BEFORE DELETE ON \"user\" "
        "BEGIN SELECT RAISE(ABORT, 'deletion refused'); END");
  } else {
    chat.db.Exec(
        "CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS "
        "$$ BEGIN RAISE EXCEPTION 'deletion refused'; END $$");
    chat.db.Exec(
        "CREATE TRIGGER refuse_delete BEFORE DELETE ON \"user\" EXECUTE FUNCTION refuse()");
  }
  EXPECT_THROW(Clear(1), DatabaseError);
  EXPECT_EQ(chat.db.Scalar("SELECT stype FROM record"), "57");
  EXPECT_EQ(Users(), "once_stale");
}

TEST_P(UserClearTest, LimitThatIsNotANumberFailsBeforeAnyStatement) {
  AddUser("once_stale", 1, 11);
  chat.Init();
  chat.Set("_usernametimeout", "0)) OR (1=1");
  EXPECT_THROW(Clear(1), ConversionError);
  EXPECT_EQ(Users(), "once_stale");
  EXPECT_EQ(LogRows(), "0");
}

INSTANTIATE_TEST_SUITE_P(Db, UserClearTest, testing::kBothBackends, testing::BackendName);

TEST(RoutineInputs, OnlyTheNumberOneAppliesAndLimitsAreNumbers) {
  for (const Value& apply : {Value(1), Value(" 1 "), Value(1.0)})
    EXPECT_TRUE(housekeeping::IsApplyMode(apply));
  for (const Value& preview : {Value(), Value(""), Value("yes"), Value(0), Value(11)}) {
    EXPECT_FALSE(housekeeping::IsApplyMode(preview));
  }
  // Numeric limits become numbers to bind, and others are refused by name.
  EXPECT_EQ(housekeeping::NumericLimit("30", "limit"), Value(30));
  EXPECT_EQ(housekeeping::NumericLimit(" 2.5 ", "limit"), Value(2.5));
  EXPECT_EQ(housekeeping::NumericLimit("&H10", "limit"), Value(16));
  for (const Value& bad : {Value(), Value::Null(), Value(""), Value("1e999")}) {
    EXPECT_THROW(housekeeping::NumericLimit(bad, "limit"), ConversionError);
  }
  EXPECT_EQ(testing::ErrorText<ConversionError>(
                [] { housekeeping::NumericLimit("7 days", "_usernametimeout"); }),
            "_usernametimeout is not a number: '7 days'");
}

}  // namespace
}  // namespace ravochat
