// The operator's console: rooms made and deleted while the chat runs, notices with safe links
// only, robot sayings whose ids stay those the robot draws, and the hour histogram.
#include "ravochat/administration.h"

#include <gtest/gtest.h>

#include "login/login_chat.h"

namespace ravochat::administration {
namespace {

using testing::LoginChat;

class ConsoleTest : public LoginChat, public ::testing::Test {
 protected:
  ConsoleTest() { Init(); }
  Console Open() { return Console(chat.app, "", chat.clock); }
};

TEST_F(ConsoleTest, ARoomMadeWhileTheChatRunsTakesVisitorsAndGoesWhenEmpty) {
  Console console = Open();
  EXPECT_FALSE(console.CreateRoom("a'b", "", "", "").done);
  EXPECT_TRUE(console.CreateRoom("新房间", "站长", "小灵", "说明").done);
  EXPECT_EQ(Login("ann", "pass1234", {.room = "3"}), "");
  EXPECT_EQ(Record("ann", 4), "3");
  EXPECT_EQ(console.DeleteRoom(3).message, "房间里还有人");
  EXPECT_EQ(console.DeleteRoom(2).message, "删除房间二楼");
  EXPECT_EQ(chat.db.Scalar("SELECT count(*) FROM room"), "2");
}

TEST_F(ConsoleTest, AccountChangesRefuseBadInputAndChangeNothingAndAnUnfrozenUserLogsInAgain) {
  AddUser("bob", "pass1234");
  EXPECT_EQ(Login("ann", "pass1234"), "");
  Console console = Open();
  EXPECT_EQ(console.SetUserLevel("bob", 100).message, "级别必须是0到99");
  EXPECT_EQ(console.SetUserLevel("nobody", 3).message, "没有这个聊友");
  EXPECT_EQ(console.Unfreeze("bob").message, "这个聊友没有被踢出或冻结");
  EXPECT_EQ(console.DeleteUser("ann").message, "他正在聊天室里，请先踢出");
  EXPECT_EQ(console.ChangeSetting("nosuch", "1").message, "没有这个参数");
  EXPECT_EQ(chat.db.Scalar("SELECT count(*) FROM record"), "0");
  EXPECT_TRUE(console.SetUserLevel("ann", 4).done);
  EXPECT_EQ(Record("ann", 8), "4");
  // Her temporary level still counts, as it will at her next login.
  chat.db.Exec("INSERT INTO vrecord (username,temp_level) VALUES ('ann',8)");
  EXPECT_TRUE(console.SetUserLevel("ann", 5).done);
  EXPECT_EQ(Record("ann", 8), "8");
  chat.db.Exec("UPDATE user SET out_info=7 WHERE username='bob'");
  EXPECT_NE(Login("bob", "pass1234"), "");
  EXPECT_EQ(console.Unfreeze("BOB").message, "解冻bob");
  EXPECT_EQ(Login("bob", "pass1234"), "");
}

TEST_F(ConsoleTest, NoticesTakeOnlyPlainTextAndSafeLinks) {
  Console console = Open();
  for (const auto& [title, link] : std::vector<std::pair<std::string, std::string>>{
           {"<b>x</b>", "help.htm"}, {"ok", "javascript:alert(1)"}, {"", "help.htm"}}) {
    EXPECT_FALSE(console.AddNotice(title, link).done) << title << " " << link;
  }
  EXPECT_TRUE(console.AddNotice("新公告", "https://example.org/a").done);
  EXPECT_EQ(console.Notices().front().title, "新公告");
}

TEST_F(ConsoleTest, RobotSayingsKeepTheIdsTheRobotDraws) {
  Console console = Open();
  for (const char* text : {"a", "b", "c"}) EXPECT_TRUE(console.AddSaying(text).done);
  EXPECT_TRUE(console.RemoveSaying(0).done);
  const std::vector<SayingRow> rows = console.Sayings();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].id, 0);
  EXPECT_EQ(rows[0].text, "c");
  EXPECT_EQ(rows[1].id, 1);
  EXPECT_EQ(Text("_autosay_count"), "2");
}

TEST_F(ConsoleTest, TheHourChartEndsAtThePresentHourAndZeroesHoursWithoutLogins) {
  // The fixture's histogram: 4 logins at 12:00, the latest login at hour 12 too; it is 12:00.
  chat.Set("_hour24", Value("0,0,0,0,0,0,0,0,0,0,7,0,4,0,0,0,0,0,0,0,0,0,0,0,12"));
  Statistics stats = Open().Stats();
  ASSERT_EQ(stats.hours.size(), 24u);
  EXPECT_EQ(stats.hours.back(), (std::pair<int, std::int64_t>{12, 4}));
  EXPECT_EQ(stats.hours[21], (std::pair<int, std::int64_t>{10, 7}));
  chat.clock.Advance(2 * 3600);  // two hours without a login
  stats = Open().Stats();
  EXPECT_EQ(stats.hours.back(), (std::pair<int, std::int64_t>{14, 0}));
  EXPECT_EQ(stats.hours[21], (std::pair<int, std::int64_t>{12, 4}));
  EXPECT_EQ(stats.hours[19], (std::pair<int, std::int64_t>{10, 7}));
}

}  // namespace
}  // namespace ravochat::administration
