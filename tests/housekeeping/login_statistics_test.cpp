// The statistics the login keeps: the visitor counter, the hourly histogram, saving
// them once an hour, and the daily clean-up at the first login of the 14:00 hour.

#include "housekeeping/login_statistics.h"

#include <gtest/gtest.h>

#include <map>

#include "core/convert.h"
#include "core/records.h"
#include "login/login_chat.h"
#include "ravochat/error.h"

namespace ravochat::testing {
namespace {

// A histogram text with the given counts (others 0) and latest hour.
std::string Hist(const std::map<int, int>& counts, int last) {
  std::string text;
  for (int h = 0; h < 24; ++h) {
    const auto found = counts.find(h);
    text += std::to_string(found == counts.end() ? 0 : found->second) + ",";
  }
  return text + std::to_string(last);
}

TEST(CountHour, ANewHourClearsTheHoursWithoutLoginsAcrossMidnightTooAndABrokenOneStartsAfresh) {
  const struct {
    std::string before;
    int hour;
    std::string after;
    bool new_hour;
  } cases[] = {
      {Hist({{14, 3}, {13, 2}}, 14), 14, Hist({{14, 4}, {13, 2}}, 14), false},
      {Hist({{10, 5}, {11, 6}, {12, 7}, {13, 8}, {9, 1}}, 10), 13,
       Hist({{10, 5}, {13, 1}, {9, 1}}, 13), true},
      {Hist({{22, 4}, {23, 5}, {0, 6}, {1, 7}, {2, 8}, {3, 9}}, 22), 2,
       Hist({{22, 4}, {2, 1}, {3, 9}}, 2), true},
      {Hist({{23, 4}, {0, 6}, {1, 7}}, 23), 0, Hist({{23, 4}, {0, 1}, {1, 7}}, 0), true},
      {"", 5, Hist({{5, 1}}, 5), true},
      {"garbage", 5, Hist({{5, 1}}, 5), true},
      {"1,2,3", 5, Hist({{5, 1}}, 5), true},
      {Hist({{0, 2}}, 24), 5, Hist({{5, 1}}, 5), true},
      {Hist({{3, 2}}, 5) + ",0", 5, Hist({{5, 1}}, 5), true},
      {"x," + Hist({}, 5).substr(2), 5, Hist({{5, 1}}, 5), true},
  };
  for (const auto& c : cases) {
    const housekeeping::HourCount count = housekeeping::CountHour(c.before, c.hour);
    EXPECT_EQ(count.hour24, c.after) << c.before;
    EXPECT_EQ(count.new_hour, c.new_hour) << c.before;
  }
}

// The latest login was in the 13:00 hour; the clean-up periods are days, the room
// values those of a new chat.
class LoginStatisticsTest : public ::testing::TestWithParam<Backend>, public LoginChat {
 protected:
  LoginStatisticsTest() : LoginChat(ReachableBackend(GetParam())) {
    chat.Param("hour24", Hist({}, 13));
    chat.Params({"calltimeout=30", "managelogtimeout=30", "gbtimeout=30", "usernameoncetimeout=30",
                 "friendtimeout=7", "usernametimeout=365", "roomkeepexp=1000", "roomtimeout=1440",
                 "roomexpperday=10"});
  }
  void At(int hour, int minute = 5) {
    chat.clock.Set(convert::FromCivil({2026, 12, 6, hour, minute, 0}));
  }
  std::string Saved(std::string_view alias) {
    return chat.db.Scalar("SELECT body FROM sysparam WHERE alias=?", {alias});
  }
  std::string Count(std::string_view table) {
    return chat.db.Scalar("SELECT count(*) FROM " + std::string(table));
  }
  // An old user, a recent one, and an old and a recent row in the guest book and the log.
  void AddOldAndRecentRows() {
    AddUser("old", "pw", 1, 1);
    AddUser("recent", "pw", 1, 1);
    chat.db.Exec("UPDATE user SET out_time='2026-10-01 10:00:00' WHERE username='old'");
    chat.db.Exec(
        "INSERT INTO guestbook (towho,post_time) VALUES ('bob','2026-11-01 10:00:00'),"
        "('bob','2026-12-05 10:00:00')");
    chat.db.Exec(
        "INSERT INTO record (stype,occ_time,occ_env) VALUES "
        "(16,'2026-11-01 10:00:00','x'),(16,'2026-12-05 10:00:00','y')");
  }
};

TEST_P(LoginStatisticsTest, OnlyTheFirstLoginOfANewHourSavesBothValues) {
  chat.Param("hour24", Hist({{10, 5}, {11, 6}, {12, 7}}, 10));
  At(13);
  ASSERT_EQ(Login("ann", "pw"), "");
  EXPECT_EQ(Saved("hour24"), Hist({{10, 5}, {13, 1}}, 13));
  EXPECT_EQ(Saved("visitor"), "101");
  ASSERT_EQ(Login("bob", "pw"), "");
  EXPECT_EQ(Text("_hour24"), Hist({{10, 5}, {13, 2}}, 13));
  EXPECT_EQ(Text("_visitor"), "102");
  EXPECT_EQ(Saved("hour24"), Hist({{10, 5}, {13, 1}}, 13));
  EXPECT_EQ(Saved("visitor"), "101");
}

// Calls age by the friend-request period (7 days) and requests by the call period (30).
TEST_P(LoginStatisticsTest, TheFirstLoginAtTwoPmCleansCallsAndRequestsAndNothingSwitchedOff) {
  AddOldAndRecentRows();
  auto& db = chat.db;
  db.Exec(
      "INSERT INTO calls (towho,calltime,read) VALUES ('bob','2026-11-26 14:00:00',1),"
      "('bob','2026-12-01 14:00:00',1)");
  db.Exec("INSERT INTO friendrq (who,towho,sub_time) VALUES ('a','b','2026-11-26 14:00:00')");
  At(14);
  ASSERT_EQ(Login("ann", "pw"), "");
  EXPECT_EQ(db.Scalar("SELECT calltime FROM calls"), "2026-12-01 14:00:00");
  EXPECT_EQ(Count("friendrq"), "1");
  EXPECT_EQ(Count("guestbook"), "2");
  EXPECT_EQ(Count("record"), "2");
  EXPECT_EQ(Count("user"), "3");
  db.Exec("INSERT INTO calls (towho,calltime,read) VALUES ('bob','2026-11-01 14:00:00',1)");
  At(14, 30);
  ASSERT_EQ(Login("bob", "pw"), "");
  EXPECT_EQ(Count("calls"), "2");
  EXPECT_EQ(Text("_hour24"), Hist({{14, 2}}, 14));
}

TEST_P(LoginStatisticsTest, EveryCleanUpSwitchedOnRuns) {
  for (const char* on :
       {"autoclearmanagelog", "autocleargb", "autoclearusername", "roomautoclear"}) {
    chat.Param(on, "1");
  }
  AddOldAndRecentRows();
  chat.db.Exec("UPDATE room SET room_exp=5000 WHERE ID=2");
  At(14);
  ASSERT_EQ(Login("ann", "pw"), "");
  EXPECT_EQ(chat.db.Joined("SELECT post_time FROM guestbook"), "2026-12-05 10:00:00");
  EXPECT_EQ(chat.db.Joined("SELECT occ_env FROM record WHERE stype=16"), "y");
  EXPECT_EQ(chat.db.Joined("SELECT username FROM user ORDER BY username"), "ann,recent");
  EXPECT_EQ(chat.ListField("_room_list", "2", room_field::kKeep), "1");
}

// The hour's work stays claimed until it is done; ten minutes on, the sweep finishes it.
TEST_P(LoginStatisticsTest, AnEmptyCleanUpPeriodFailsInsteadOfDeletingEverythingUntilMended) {
  chat.Param("friendtimeout", "");
  chat.db.Exec("INSERT INTO calls (towho,calltime,read) VALUES ('bob','2026-11-05 14:00:00',1)");
  At(14);
  EXPECT_THROW(Login("ann", "pw"), ConversionError);
  EXPECT_EQ(Count("calls"), "1");
  chat.app.Set("_friendtimeout", Value("7"));
  At(14, 15);
  EXPECT_FALSE(chat.Component()->FinishHourlyWork(chat.app));
  At(14, 16);
  EXPECT_TRUE(chat.Component()->FinishHourlyWork(chat.app));
  EXPECT_EQ(Count("calls"), "0");
  EXPECT_EQ(Saved("hour24"), Hist({{14, 1}}, 14));
  EXPECT_FALSE(chat.Component()->FinishHourlyWork(chat.app));
}

INSTANTIATE_TEST_SUITE_P(Db, LoginStatisticsTest, kBothBackends, BackendName);

}  // namespace
}  // namespace ravochat::testing
