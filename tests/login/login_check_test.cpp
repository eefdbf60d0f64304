// The admission checks of the login: every refusal with its exact text, in its order,
// and what each leaves behind.

#include <gtest/gtest.h>

#include "core/convert.h"
#include "login/login_chat.h"

namespace ravochat::testing {
namespace {

class LoginCheckTest : public ::testing::Test {
 protected:
  LoginChat login;

  int UserRows() { return std::stoi(login.chat.db.Scalar("SELECT count(*) FROM user")); }
};

// --- Steps before the database: refused without a trace ---

TEST_F(LoginCheckTest, BothProxyHeadersAreRefusedWhenProxiesAreForbidden) {
  login.Init();
  const std::string before = login.SharedState();
  EXPECT_EQ(login.Login("ann", "pw", ProxyForm("1.1 proxy", "10.1.1.1")),
            "管理员禁止通过代理登录！");
  EXPECT_EQ(login.SharedState(), before);
  EXPECT_TRUE(login.session().Get("myname").IsEmpty());
}

TEST_F(LoginCheckTest, OneProxyHeaderAloneIsLetThrough) {
  login.Init();
  EXPECT_EQ(login.Login("ann", "pw", ProxyForm("1.1 proxy", "")), "");
}

TEST_F(LoginCheckTest, ANameCutToTenCharactersThatEqualsThePasswordIsRefused) {
  login.Init();
  const std::string before = login.SharedState();
  EXPECT_EQ(login.Login("abcdefghijkl", "abcdefghij"), "错误：用户名与密码相同！");
  EXPECT_EQ(login.SharedState(), before);
}

TEST_F(LoginCheckTest, ANameOfBlanksIsRefusedAsEmpty) {
  login.Init();
  EXPECT_EQ(login.Login("   ", "pw"), "错误：用户名为空！");
}

TEST_F(LoginCheckTest, ANameOfBlanksWithoutPasswordIsRefusedAsEqualToThePassword) {
  login.Init();
  EXPECT_EQ(login.Login("   ", ""), "错误：用户名与密码相同！");
}

TEST_F(LoginCheckTest, APasswordOfBlanksIsRefusedBeforeAnythingIsTouched) {
  login.Init();
  const std::string before = login.SharedState();
  EXPECT_EQ(login.Login("ann", "   "), "错误：密码为空！");
  EXPECT_EQ(login.SharedState(), before);
  EXPECT_EQ(UserRows(), 0);
}

TEST_F(LoginCheckTest, APasswordWhoseFirstFifteenCharactersAreBlanksIsRefused) {
  login.Init();
  EXPECT_EQ(login.Login("ann", std::string(15, ' ') + "tail"), "错误：密码为空！");
}

TEST_F(LoginCheckTest, ANameShorterThanTheMinimumIsRefusedWithTheMinimum) {
  login.chat.Param("namelength", "3");
  login.Init();
  EXPECT_EQ(login.Login("ab", "pw"), "错误：用户名长度不能太短至少3个字符！");
}

TEST_F(LoginCheckTest, ChineseCharactersCountTwiceAgainstTheLongestName) {
  login.chat.Param("maxnamelength", "4");
  login.Init();
  EXPECT_EQ(login.Login("张三李四王", "pw"), "错误：用户名长度不能长于10个英文字符或4个汉字！");
  EXPECT_EQ(login.Login("张三李四", "pw"), "");
}

TEST_F(LoginCheckTest, ANameWithAnIllegalCharacterIsRefusedWithTheLink) {
  login.Init();
  const std::string before = login.SharedState();
  EXPECT_EQ(login.Login("ann-x", "pw"),
            "错误：用户名含有非法字符！<a href=namefilter.asp>说明</a>");
  EXPECT_EQ(login.SharedState(), before);
}

TEST_F(LoginCheckTest, CapitalLettersPassTheNameCheckSinceItSeesTheNameInLowerCase) {
  login.Init();
  EXPECT_EQ(login.Login("Ann", "pw"), "");
}

TEST_F(LoginCheckTest, ANameHoldingAFilteredWordIsRefused) {
  login.chat.Param("usernamefilter", "boss,admin");
  login.Init();
  EXPECT_EQ(login.Login("theadmin", "pw"),
            "错误：用户名含有非法字符！<a href=namefilter.asp>说明</a>");
}

// --- Capacity ---

TEST_F(LoginCheckTest, ALoginWithExactlyTheLimitOnlineIsAdmitted) {
  login.chat.Param("maxpeople", "2");
  login.Init();
  login.chat.Enter("bob", 1);
  login.chat.Enter("carl", 1);
  EXPECT_EQ(login.Login("ann", "pw"), "");
}

TEST_F(LoginCheckTest, ALoginWithMoreThanTheLimitOnlineIsRefusedUncounted) {
  login.chat.Param("maxpeople", "2");
  login.Init();
  login.chat.Enter("bob", 1);
  login.chat.Enter("carl", 1);
  login.chat.Enter("dave", 1);
  EXPECT_EQ(login.Login("ann", "pw"), "对不起：聊天室已经满员了！");
  EXPECT_EQ(convert::ToText(login.chat.Get("_visitor")), "100");
}

// --- Rooms ---

TEST_F(LoginCheckTest, AnEmptyRoomListIsRefusedAfterTheVisitorWasCounted) {
  login.Init();
  login.chat.Set("_room_list", "");
  EXPECT_EQ(login.Login("ann", "pw"), "对不起：聊天室还没有开放的房间！");
  EXPECT_EQ(convert::ToText(login.chat.Get("_visitor")), "101");
  EXPECT_EQ(UserRows(), 0);
}

TEST_F(LoginCheckTest, ANonNumericRoomSelectsRoomOne) {
  login.Init();
  EXPECT_EQ(login.Login("ann", "pw", RoomForm("lobby")), "");
  EXPECT_EQ(login.chat.Component()->GetListValue(login.chat.Get("_user_list"), "ann", 4), "1");
}

TEST_F(LoginCheckTest, AnUnlistedRoomSelectsTheFirstRoomWhoseRulesThenApply) {
  login.chat.db.Exec("UPDATE room SET door_open=0 WHERE ID=1");
  login.Init();
  EXPECT_EQ(login.Login("ann", "pw", RoomForm("9")), "您要去的房间的门已经关上了！");
  EXPECT_EQ(login.Login("ann", "pw", RoomForm("2")), "");
}

TEST_F(LoginCheckTest, TheRoomsRobotNameIsRefused) {
  login.Init();
  EXPECT_EQ(login.Login("robot", "pw"), "您的名字和房间机器人同名被拒绝进入！");
}

TEST_F(LoginCheckTest, ARoomAboveLevelOneIsRefused) {
  login.chat.db.Exec("UPDATE room SET permit_level=3 WHERE ID=2");
  login.Init();
  EXPECT_EQ(login.Login("ann", "pw", RoomForm("2")), "您要去的房间有级别限制，您不能直接登陆！");
}

TEST_F(LoginCheckTest, TheOwnerEntersHisClosedRoomWithALevelLimit) {
  login.chat.Room(3, "小屋", "Ann");
  login.chat.db.Exec("UPDATE room SET permit_level=3, door_open=0 WHERE ID=3");
  login.Init();
  EXPECT_EQ(login.Login("ann", "pw", RoomForm("3")), "");
}

TEST_F(LoginCheckTest, ARoomRefusalCountsTheVisitorButWritesNoRowAndNoListEntry) {
  login.chat.db.Exec("UPDATE room SET door_open=0 WHERE ID=2");
  login.Init();
  EXPECT_EQ(login.Login("ann", "pw", RoomForm("2")), "您要去的房间的门已经关上了！");
  EXPECT_EQ(convert::ToText(login.chat.Get("_visitor")), "101");
  EXPECT_EQ(convert::ToText(login.chat.Get("_user_list")), "");
  EXPECT_EQ(UserRows(), 0);
}

// --- The user's row ---

TEST_F(LoginCheckTest, AWrongPasswordIsRefused) {
  login.AddUser("ann", "secret");
  login.Init();
  EXPECT_EQ(login.Login("ann", "guess"),
            "错误：您输入了错误的密码，如果您是老版本用户，请在登陆页面上作密码转换！");
}

TEST_F(LoginCheckTest, AKickedOutUserIsRefusedUntilHisBanEnds) {
  login.AddUser("ann", "pw");
  login.chat.db.Exec("UPDATE user SET out_info=5, out_time='2026-12-06 13:00:00'");
  login.Init();
  EXPECT_EQ(login.Login("ann", "pw"), "对不起：您是被赶出聊天室的，目前聊天室还不允许你进去！");
  login.chat.clock.Advance(3601);
  EXPECT_EQ(login.Login("ann", "pw"), "");
}

TEST_F(LoginCheckTest, AFrozenUserIsRefusedWhileTheFreezeLasts) {
  login.AddUser("ann", "pw");
  login.chat.db.Exec("UPDATE user SET out_info=6, out_time='2026-12-07 00:00:00'");
  login.Init();
  EXPECT_EQ(login.Login("ann", "pw"), "对不起：您的帐号被暂时冻结，目前聊天室还不允许你进去！");
}

TEST_F(LoginCheckTest, AUserFrozenForGoodIsRefusedWhateverTheTime) {
  login.AddUser("ann", "pw");
  login.chat.db.Exec("UPDATE user SET out_info=7, out_time='2020-01-01 00:00:00'");
  login.Init();
  EXPECT_EQ(login.Login("ann", "pw"), "对不起：您的帐号被永久冻结了！");
}

TEST_F(LoginCheckTest, AnAddressLockAdmitsUsersOfItsLevelAndAbove) {
  login.AddUser("ann", "pw", 3);
  login.AddUser("bob", "pw", 2);
  login.chat.db.Exec(
      "INSERT INTO ip_lock (ip,end_time,act_level) VALUES ('10.0.','2026-12-31 00:00:00',3)");
  login.Init();
  EXPECT_EQ(login.Login("ann", "pw"), "");
  EXPECT_EQ(login.Login("bob", "pw"), "对不起：您的IP被封锁了！");
  EXPECT_EQ(login.Login("carl", "pw"), "对不起：您的IP被封锁了！");
  EXPECT_EQ(login.Login("carl", "pw", AddressForm("192.168.1.1")), "");
}

TEST_F(LoginCheckTest, OnlyTheFirstMatchingLockCounts) {
  login.chat.db.Exec(
      "INSERT INTO ip_lock (ip,end_time,act_level) VALUES ('10.0.0','2026-01-01 00:00:00',9)");
  login.chat.db.Exec(
      "INSERT INTO ip_lock (ip,end_time,act_level) VALUES ('10.0','2026-12-31 00:00:00',9)");
  login.Init();
  EXPECT_EQ(login.Login("ann", "pw"), "");
}

TEST_F(LoginCheckTest, ALockWithoutAnEndTimeHoldsNothing) {
  login.chat.db.Exec("INSERT INTO ip_lock (ip,end_time,act_level) VALUES ('10.0',NULL,9)");
  login.Init();
  EXPECT_EQ(login.Login("ann", "pw"), "");
}

TEST_F(LoginCheckTest, TheNewUserLimitCountsRowsFromTheAddressOfTheLastTenMinutes) {
  login.chat.Param("newusernum", "2");
  login.Init();
  EXPECT_EQ(login.Login("ann", "pw"), "");
  EXPECT_EQ(login.Login("bob", "pw"), "");
  EXPECT_EQ(login.Login("carl", "pw"), "对不起：您暂时不能注册新用户，请等几分钟再试！");
  EXPECT_EQ(login.Login("carl", "pw", AddressForm("10.0.0.2")), "");
  login.chat.clock.Advance(600);
  EXPECT_EQ(login.Login("dave", "pw"), "");
}

TEST_F(LoginCheckTest, TheNewUserLimitDoesNotStopReturningUsers) {
  login.chat.Param("newusernum", "0");
  login.AddUser("ann", "pw");
  login.Init();
  EXPECT_EQ(login.Login("ann", "pw"), "");
}

TEST_F(LoginCheckTest, NewUsersAreRefusedWhenTheAdministratorForbidsThem) {
  login.chat.Param("disablenewuser", "1");
  login.AddUser("ann", "pw");
  login.Init();
  EXPECT_EQ(login.Login("bob", "pw"), "对不起：管理员禁止新用户登陆！");
  EXPECT_EQ(login.Login("ann", "pw"), "");
}

TEST_F(LoginCheckTest, QuotesInTheNameOrPasswordReachNoStatementText) {
  login.chat.Param("usernameenable", "'");
  login.Init();
  EXPECT_EQ(login.Login("a'b", "x' OR '1'='1"), "");
  EXPECT_EQ(login.chat.db.Scalar("SELECT username FROM user"), "a'b");
  EXPECT_EQ(login.Login("a'b", "wrong' OR '1'='1"),
            "错误：您输入了错误的密码，如果您是老版本用户，请在登陆页面上作密码转换！");
}

}  // namespace
}  // namespace ravochat::testing
