// The admission checks of the login: every refusal with its exact text, in its order,
// and what each leaves behind.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <stdexcept>
#include <tuple>

#include "login/hash_gate.h"
#include "login/login_chat.h"
#include "login/login_texts.h"

namespace ravochat::testing {
namespace {

class LoginCheckTest : public LoginChat, public ::testing::Test {
 protected:
  std::string UserRows() { return chat.db.Scalar("SELECT count(*) FROM user"); }
  // The values a refusal before the database must leave alone.
  std::string SharedState() {
    return Text("_visitor") + Text("_hour24") + Text("_user_list") + Text("_room_list") +
           Text("_current");
  }
};

// --- Steps before the database: refused without a trace ---

TEST_F(LoginCheckTest, TheNameAndPasswordChecksRefuseWithoutATraceAndAdmitAtTheLimits) {
  chat.Params({"usernamefilter=boss,admin", "newusernum=100"});
  Init();
  const std::string before = SharedState();
  const struct {
    std::string name, password;
    LoginForm form;
    std::string refusal;
  } cases[] = {
      {"ann", "pw", {.via = "1.1 proxy", .forwarded = "10.1.1.1"}, "管理员禁止通过代理登录！"},
      {"abcdefghijkl", "abcdefghij", {}, "错误：用户名与密码相同！"},  // the name cut to ten
      {"   ", "", {}, "错误：用户名与密码相同！"},
      {"   ", "pw", {}, "错误：用户名为空！"},
      {"ann", "   ", {}, "错误：密码为空！"},
      {"ann", std::string(15, ' ') + "tail", {}, "错误：密码为空！"},
      {"a", "pw", {}, "错误：用户名长度不能太短至少2个字符！"},
      {"张三李四王六", "pw", {}, "错误：用户名长度不能长于10个英文字符或5个汉字！"},
      {"ann-x", "pw", {}, "错误：用户名含有非法字符！<a href=namefilter.asp>说明</a>"},
      {"theadmin", "pw", {}, "错误：用户名含有非法字符！<a href=namefilter.asp>说明</a>"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Login(c.name, c.password, c.form), c.refusal) << c.name;
    EXPECT_TRUE(session().Get("myname").IsEmpty()) << c.name;
  }
  EXPECT_EQ(SharedState(), before);
  EXPECT_EQ(UserRows(), "0");
  // Names at the limits and one proxy header are admitted.
  EXPECT_EQ(Login("ab", "pw"), "");
  EXPECT_EQ(Login("张三李四王", "pw"), "");  // Chinese characters count twice
  EXPECT_EQ(Login("Ann", "pw"), "");         // the name check sees lower case
  EXPECT_EQ(Login("bob", "pw", {.via = "1.1 proxy"}), "");
}

// --- Capacity and rooms ---

TEST_F(LoginCheckTest, TheLimitOnlineIsAdmittedAndOneMoreIsRefusedUncounted) {
  chat.Param("maxpeople", "2");
  Init();
  chat.Enter("bob", 1);
  chat.Enter("carl", 1);
  EXPECT_EQ(Login("ann", "pw"), "");
  EXPECT_EQ(Login("dave", "pw"), "对不起：聊天室已经满员了！");
  EXPECT_EQ(Text("_visitor"), "101");
}

TEST_F(LoginCheckTest, ARoomRefusalCountsTheVisitorButLeavesNoRowAndNoRecord) {
  chat.db.Exec("UPDATE room SET door_open=0 WHERE ID=1");
  Init();
  // An unlisted or non-numeric room is the first room, whose rules then apply.
  EXPECT_EQ(Login("ann", "pw", {.room = "9"}), "您要去的房间的门已经关上了！");
  EXPECT_EQ(Login("ann", "pw", {.room = "lobby"}), "您要去的房间的门已经关上了！");
  chat.Set("_room_list", "");
  EXPECT_EQ(Login("ann", "pw"), "对不起：聊天室还没有开放的房间！");
  EXPECT_EQ(Text("_visitor"), "103");
  EXPECT_EQ(Text("_user_list"), "");
  EXPECT_EQ(UserRows(), "0");
}

TEST_F(LoginCheckTest, TheRoomRefusesItsRobotAndAHigherLevelButNotItsOwner) {
  chat.Room(3, "小屋", "Ann");
  chat.db.Exec("UPDATE room SET permit_level=3 WHERE ID>=2");
  chat.db.Exec("UPDATE room SET door_open=0 WHERE ID=3");
  EXPECT_EQ(Login("robot", "pw"), "您的名字和房间机器人同名被拒绝进入！");
  EXPECT_EQ(Login("ann", "pw", {.room = "2"}), "您要去的房间有级别限制，您不能直接登陆！");
  EXPECT_EQ(Login("ann", "pw", {.room = "3"}), "");
}

// --- The user's row ---

TEST_F(LoginCheckTest, BansRefuseWhileTheyLast) {
  for (const auto& [name, out_info, out_time] :
       {std::tuple{"ann", 5, "2026-12-06 13:00:00"}, std::tuple{"bob", 6, "2026-12-07 00:00:00"},
        std::tuple{"carl", 7, "2020-01-01 00:00:00"}}) {
    AddUser(name, "pw");
    chat.db.Exec("UPDATE user SET out_info=?, out_time=? WHERE username=?",
                 {out_info, out_time, name});
  }
  EXPECT_EQ(Login("ann", "pw"), "对不起：您是被赶出聊天室的，目前聊天室还不允许你进去！");
  EXPECT_EQ(Login("bob", "pw"), "对不起：您的帐号被暂时冻结，目前聊天室还不允许你进去！");
  EXPECT_EQ(Login("carl", "pw"), "对不起：您的帐号被永久冻结了！");
  chat.clock.Advance(3601);
  EXPECT_EQ(Login("ann", "pw"), "");
}

TEST_F(LoginCheckTest, AnAddressLockAdmitsUsersOfItsLevelAndAbove) {
  AddUser("ann", "pw", 3);
  AddUser("bob", "pw", 2);
  chat.db.Exec(
      "INSERT INTO ip_lock (ip,end_time,act_level) VALUES ('10.0.','2026-12-31 00:00:00',3)");
  EXPECT_EQ(Login("ann", "pw"), "");
  EXPECT_EQ(Login("bob", "pw"), "对不起：您的IP被封锁了！");
  EXPECT_EQ(Login("carl", "pw"), "对不起：您的IP被封锁了！");
  EXPECT_EQ(Login("carl", "pw", {.address = "192.168.1.1"}), "");
}

TEST_F(LoginCheckTest, AnExpiredFirstLockOrALockWithoutAnEndTimeHoldsNothing) {
  chat.db.Exec(
      "INSERT INTO ip_lock (ip,end_time,act_level) VALUES ('10.0.0','2026-01-01 00:00:00',9),"
      "('10.0','2026-12-31 00:00:00',9),('10.5.',NULL,9)");
  EXPECT_EQ(Login("ann", "pw"), "");
  EXPECT_EQ(Login("bob", "pw", {.address = "10.5.0.1"}), "");
}

TEST_F(LoginCheckTest, NewUsersCountFromTheAddressOfTheLastTenMinutesOrAreForbidden) {
  chat.Param("newusernum", "2");
  AddUser("eve", "pw");
  EXPECT_EQ(Login("ann", "pw"), "");
  EXPECT_EQ(Login("bob", "pw"), "");
  EXPECT_EQ(Login("carl", "pw"), "对不起：您暂时不能注册新用户，请等几分钟再试！");
  EXPECT_EQ(Login("eve", "pw"), "");
  EXPECT_EQ(Login("carl", "pw", {.address = "10.0.0.2"}), "");
  chat.clock.Advance(600);
  EXPECT_EQ(Login("dave", "pw"), "");
  // With new users forbidden, only those with a row log in.
  chat.Set("_disablenewuser", Value("1"));
  EXPECT_EQ(Login("frank", "pw"), "对不起：管理员禁止新用户登陆！");
  EXPECT_EQ(Login("eve", "pw"), "");
}

TEST_F(LoginCheckTest, QuotesInTheNameOrPasswordReachNoStatementText) {
  chat.Param("usernameenable", "'");
  EXPECT_EQ(Login("a'b", "x' OR '1'='1"), "");
  EXPECT_EQ(chat.db.Scalar("SELECT username FROM user"), "a'b");
  EXPECT_EQ(Login("a'b", "wrong' OR '1'='1"),
            "错误：您输入了错误的密码，如果您是老版本用户，请在登陆页面上作密码转换！");
}

// --- The password's hash ---

// Without the test chat's cheap settings a stored password costs the default: 19 MiB and
// 2 passes.
TEST_F(LoginCheckTest, APasswordIsStoredAtTheDefaultCostWhenTheChatSetsNone) {
  chat.db.Exec("DELETE FROM sysparam WHERE alias IN ('passwordmemory','passwordpasses')");
  ASSERT_EQ(Login("ann", "pass1234"), "");
  EXPECT_TRUE(
      chat.db.Scalar("SELECT passwd FROM user").starts_with("$argon2id$v=19$m=19456,t=2,p=1$"));
  EXPECT_EQ(Login("ann", "pass1234"), "");
}

// The gate itself: work runs in a free slot, and a caller that finds none within the wait
// runs nothing.
TEST(HashGate, WorkRunsInAFreeSlotAndNotWhenNoneFreesWithinTheWait) {
  login::HashGate gate(1, std::chrono::milliseconds(0));
  int runs = 0;
  EXPECT_TRUE(gate.Run([&] {
    ++runs;
    EXPECT_FALSE(gate.Run([&] { runs += 10; }));
  }));
  EXPECT_EQ(runs, 1);
  EXPECT_THROW(gate.Run([] { throw std::runtime_error("out of memory"); }), std::runtime_error);
  EXPECT_TRUE(gate.Run([&] { ++runs; }));  // the slot is free again, even after a throw
  EXPECT_EQ(runs, 2);
}

// Calls `inside` while every slot of the process's hash gate is taken.
void WithEveryHashSlotTaken(login::HashGate& gate, std::size_t slots,
                            const std::function<void()>& inside) {
  if (slots == 0) return inside();
  EXPECT_TRUE(gate.Run([&] { WithEveryHashSlotTaken(gate, slots - 1, inside); }));
}

// A login whose password cannot be hashed in time is refused as server busy and stores
// nothing: a new user, and a classic row whose upgrade cannot run. The classic check itself
// needs no hash.
TEST_F(LoginCheckTest, ALoginThatFindsTheHashesBusyTooLongIsRefusedAndStoresNothing) {
  AddUser("ann", "pass1234");
  login::HashGate& gate = login::HashGate::Process();
  gate.SetWait(std::chrono::milliseconds(0));
  WithEveryHashSlotTaken(gate, gate.slots(), [&] {
    EXPECT_EQ(Login("bob", "pass1234"), login::kServerBusy);
    EXPECT_EQ(Login("ann", "pass1234"), login::kServerBusy);
    EXPECT_EQ(Login("ann", "pass5678"), login::kWrongPassword);
  });
  gate.SetWait(std::chrono::seconds(10));
  EXPECT_EQ(UserRows(), "1");
  EXPECT_EQ(chat.db.Scalar("SELECT passwd FROM user"), Stored("pass1234"));
  EXPECT_EQ(Login("bob", "pass1234"), "");
}

}  // namespace
}  // namespace ravochat::testing
