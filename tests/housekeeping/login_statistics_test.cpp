// The statistics the login keeps: the visitor counter, the hourly histogram, saving
// them once an hour, and the daily clean-up at the first login of the 14:00 hour.

#include "housekeeping/login_statistics.h"

#include <gtest/gtest.h>

#include <map>

#include "core/convert.h"
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

TEST(CountHour, AnotherLoginInTheSameHourAddsOneAndIsNoNewHour) {
  const housekeeping::HourCount count = housekeeping::CountHour(Hist({{14, 3}, {13, 2}}, 14), 14);
  EXPECT_EQ(count.hour24, Hist({{14, 4}, {13, 2}}, 14));
  EXPECT_FALSE(count.new_hour);
}

TEST(CountHour, ALaterHourClearsTheHoursInBetween) {
  const housekeeping::HourCount count =
      housekeeping::CountHour(Hist({{10, 5}, {11, 6}, {12, 7}, {13, 8}, {9, 1}}, 10), 13);
  EXPECT_EQ(count.hour24, Hist({{10, 5}, {13, 1}, {9, 1}}, 13));
  EXPECT_TRUE(count.new_hour);
}

TEST(CountHour, ATurnOfTheDayClearsTheHoursAcrossMidnight) {
  const housekeeping::HourCount count =
      housekeeping::CountHour(Hist({{22, 4}, {23, 5}, {0, 6}, {1, 7}, {2, 8}, {3, 9}}, 22), 2);
  EXPECT_EQ(count.hour24, Hist({{22, 4}, {2, 1}, {3, 9}}, 2));
}

TEST(CountHour, MidnightAfterTheLastHourClearsNothing) {
  const housekeeping::HourCount count =
      housekeeping::CountHour(Hist({{23, 4}, {0, 6}, {1, 7}}, 23), 0);
  EXPECT_EQ(count.hour24, Hist({{23, 4}, {0, 1}, {1, 7}}, 0));
}

TEST(CountHour, AHistogramThatIsNotTwentyFiveNumbersStartsAfresh) {
  for (const std::string& broken :
       std::vector<std::string>{"", "garbage", "1,2,3", Hist({}, 24), Hist({{3, 2}}, 5) + ",0",
                                "x," + Hist({}, 5).substr(2)}) {
    const housekeeping::HourCount count = housekeeping::CountHour(broken, 5);
    EXPECT_EQ(count.hour24, Hist({{5, 1}}, 5)) << broken;
    EXPECT_TRUE(count.new_hour) << broken;
  }
}

class LoginStatisticsTest : public ::testing::Test {
 protected:
  LoginChat login;

  void At(int hour, int minute = 5) {
    login.chat.clock.Set(convert::FromCivil({2026, 12, 6, hour, minute, 0}));
  }
  std::string Saved(std::string_view alias) {
    return login.chat.db.Scalar("SELECT body FROM sysparam WHERE alias=?", {alias});
  }
  std::string Count(std::string_view table) {
    return login.chat.db.Scalar("SELECT count(*) FROM " + std::string(table));
  }
};

TEST_F(LoginStatisticsTest, TheFirstLoginOfANewHourSavesBothValues) {
  login.chat.Param("hour24", Hist({{10, 5}, {11, 6}, {12, 7}}, 10));
  login.Init();
  At(13);
  ASSERT_EQ(login.Login("ann", "pw"), "");
  EXPECT_EQ(convert::ToText(login.chat.Get("_hour24")), Hist({{10, 5}, {13, 1}}, 13));
  EXPECT_EQ(Saved("hour24"), Hist({{10, 5}, {13, 1}}, 13));
  EXPECT_EQ(Saved("visitor"), "101");
}

TEST_F(LoginStatisticsTest, LaterLoginsOfTheHourAreCountedButNotSaved) {
  login.chat.Param("hour24", Hist({}, 10));
  login.Init();
  At(13);
  ASSERT_EQ(login.Login("ann", "pw"), "");
  ASSERT_EQ(login.Login("bob", "pw"), "");
  EXPECT_EQ(convert::ToText(login.chat.Get("_hour24")), Hist({{13, 2}}, 13));
  EXPECT_EQ(convert::ToText(login.chat.Get("_visitor")), "102");
  EXPECT_EQ(Saved("hour24"), Hist({{13, 1}}, 13));
  EXPECT_EQ(Saved("visitor"), "101");
}

TEST_F(LoginStatisticsTest, ABrokenHistogramIsRepairedAndTheLoginGoesOn) {
  login.chat.Param("hour24", "0,0,0");
  login.Init();
  ASSERT_EQ(login.Login("ann", "pw"), "");
  EXPECT_EQ(convert::ToText(login.chat.Get("_hour24")), Hist({{12, 1}}, 12));
  EXPECT_EQ(Saved("hour24"), Hist({{12, 1}}, 12));
}

TEST_F(LoginStatisticsTest,
       TheFirstLoginAtTwoPmCleansCallsByTheFriendPeriodAndRequestsByTheCallPeriod) {
  login.chat.Param("hour24", Hist({}, 13));
  auto& db = login.chat.db;
  db.Exec("INSERT INTO calls (towho,calltime,read) VALUES ('bob','2026-11-26 14:00:00',1)");
  db.Exec("INSERT INTO calls (towho,calltime,read) VALUES ('bob','2026-12-01 14:00:00',1)");
  db.Exec("INSERT INTO friendrq (who,towho,sub_time) VALUES ('a','b','2026-11-26 14:00:00')");
  login.Init();
  At(14);
  ASSERT_EQ(login.Login("ann", "pw"), "");
  EXPECT_EQ(db.Scalar("SELECT calltime FROM calls"), "2026-12-01 14:00:00");
  EXPECT_EQ(Count("friendrq"), "1");
}

TEST_F(LoginStatisticsTest, TheCleanUpRunsOnlyAtTheFirstLoginOfTheHour) {
  login.chat.Param("hour24", Hist({}, 13));
  login.Init();
  At(14);
  ASSERT_EQ(login.Login("ann", "pw"), "");
  login.chat.db.Exec(
      "INSERT INTO calls (towho,calltime,read) VALUES ('bob','2026-11-01 14:00:00',1)");
  At(14, 30);
  ASSERT_EQ(login.Login("bob", "pw"), "");
  EXPECT_EQ(Count("calls"), "1");
  EXPECT_EQ(convert::ToText(login.chat.Get("_hour24")), Hist({{14, 2}}, 14));
}

TEST_F(LoginStatisticsTest, TheGuestBookAndTheLogAreCleanedOnlyWhenSwitchedOn) {
  login.chat.Param("hour24", Hist({}, 13));
  login.chat.Param("gbtimeout", "1");
  login.chat.Param("autoclearmanagelog", "1");
  login.chat.Param("managelogtimeout", "1");
  auto& db = login.chat.db;
  db.Exec("INSERT INTO guestbook (towho,post_time) VALUES ('bob','2026-11-01 10:00:00')");
  db.Exec("INSERT INTO record (stype,occ_time,occ_env) VALUES (16,'2026-11-01 10:00:00','x')");
  db.Exec("INSERT INTO record (stype,occ_time,occ_env) VALUES (16,'2026-12-05 10:00:00','y')");
  login.Init();
  At(14);
  ASSERT_EQ(login.Login("ann", "pw"), "");
  EXPECT_EQ(Count("guestbook"), "1");
  EXPECT_EQ(db.Scalar("SELECT occ_env FROM record"), "y");
}

TEST_F(LoginStatisticsTest, TheGuestBookIsCleanedWhenSwitchedOn) {
  login.chat.Param("hour24", Hist({}, 13));
  login.chat.Param("autocleargb", "1");
  login.chat.Param("gbtimeout", "1");
  login.chat.db.Exec(
      "INSERT INTO guestbook (towho,post_time) VALUES ('bob','2026-11-01 10:00:00')");
  login.Init();
  At(14);
  ASSERT_EQ(login.Login("ann", "pw"), "");
  EXPECT_EQ(Count("guestbook"), "0");
}

TEST_F(LoginStatisticsTest, AnEmptyCleanUpPeriodFailsInsteadOfDeletingEverything) {
  login.chat.Param("hour24", Hist({}, 13));
  login.chat.Param("friendtimeout", "");
  login.chat.db.Exec(
      "INSERT INTO calls (towho,calltime,read) VALUES ('bob','2026-12-05 14:00:00',1)");
  login.Init();
  At(14);
  EXPECT_THROW(login.Login("ann", "pw"), ConversionError);
  EXPECT_EQ(Count("calls"), "1");
}

TEST_F(LoginStatisticsTest, StaleUsersGoWhenTheirClearingIsSwitchedOn) {
  login.chat.Param("hour24", Hist({}, 13));
  login.chat.Param("autoclearusername", "1");
  login.AddUser("old", "pw", 1, 1);
  login.AddUser("recent", "pw", 1, 1);
  login.chat.db.Exec("UPDATE user SET out_time='2026-10-01 10:00:00' WHERE username='old'");
  login.Init();
  At(14);
  ASSERT_EQ(login.Login("ann", "pw"), "");
  EXPECT_EQ(login.chat.db.Scalar(
                "SELECT group_concat(username) FROM (SELECT username FROM user ORDER BY username)"),
            "ann,recent");
}

TEST_F(LoginStatisticsTest, PopularRoomsAreKeptInTheRoomListWhenRoomClearingIsOn) {
  login.chat.Param("hour24", Hist({}, 13));
  login.chat.Param("roomautoclear", "1");
  login.chat.db.Exec("UPDATE room SET room_exp=5000 WHERE ID=2");
  login.Init();
  At(14);
  ASSERT_EQ(login.Login("ann", "pw"), "");
  EXPECT_EQ(login.chat.Component()->GetListValue(login.chat.Get("_room_list"), "2", 6), "1");
}

}  // namespace
}  // namespace ravochat::testing
