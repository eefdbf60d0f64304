// Flood control in the posting and login paths, and moderation commands typed in the input
// line: a line past the limit is refused to the poster alone and stores nothing. Beneath them
// the restraint memory: windows that slide with the clock, strikes that last while a window
// holds events, and sent-away tokens taken once.
#include <gtest/gtest.h>

#include "core/convert.h"
#include "login/login_chat.h"
#include "login/login_texts.h"
#include "messages/pages.h"
#include "state/restraints.h"

namespace ravochat::state {
namespace {

using testing::LoginChat;

class FloodTest : public LoginChat, public ::testing::Test {
 protected:
  FloodTest() {
    chat.Params({"maxsayslength=200", "titlelength=20", "enablesaysfilter=0", "floodlines=3",
                 "floodseconds=10", "floodstrikes=2", "floodkick=5", "loginsperminute=4",
                 "l_kick=6"});
    AddUser("mod", "pass1234", 7);
    EXPECT_EQ(Login("mod", "pass1234"), "");
    mod_ = &session();
    EXPECT_EQ(Login("bob", "pass1234"), "");
    bob_ = &session();
  }

  std::string Post(MemorySession& session, const std::string& says) {
    MemoryRequest request;
    request.SetForm("says", says);
    request.SetQuery("towho", "大家");
    request.SetQuery("id", Value(0));
    return chat.Component()->subsay(chat.app, session, request);
  }
  std::string Current() { return Text("_current"); }

  MemorySession* mod_ = nullptr;
  MemorySession* bob_ = nullptr;
};

TEST_F(FloodTest, ALinePastTheLimitIsRefusedToThePosterAloneAndStoresNothing) {
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Post(*bob_, "hi").find("太快"), std::string::npos);
  const std::string stored = Current();
  EXPECT_NE(Post(*bob_, "hi").find("【系统】您发言太快了，请休息一下再说！"), std::string::npos);
  EXPECT_EQ(Current(), stored);
  // Another visitor is not held back, and the window moves on with the clock.
  EXPECT_EQ(Post(*mod_, "hi").find("太快"), std::string::npos);
  chat.clock.Advance(10);
  EXPECT_EQ(Post(*bob_, "hi").find("太快"), std::string::npos);
}

TEST_F(FloodTest, RepeatedFloodsSendThePosterOutForSomeMinutesAndAreLogged) {
  for (int i = 0; i < 4; ++i) Post(*bob_, "hi");
  EXPECT_NE(Text("_user_list").find("<$bob$>"), std::string::npos);
  Post(*bob_, "hi");
  EXPECT_EQ(Text("_user_list").find("<$bob$>"), std::string::npos);
  EXPECT_EQ(chat.db.Scalar("SELECT occ_env FROM record WHERE stype=41"),
            "系统>系统> >[bob]>自动>刷屏>把%%踢出聊天室5分钟");
  EXPECT_EQ(Login("bob", "pass1234"), login::kKickedOut);
}

TEST_F(FloodTest, LoginsFromOneAddressAreLimitedPerMinute) {
  // Two logins counted in the fixture; two more pass, the fifth is refused.
  EXPECT_EQ(Login("ann", "pass1234"), "");
  EXPECT_EQ(Login("cat", "pass1234"), "");
  EXPECT_EQ(Login("dan", "pass1234"), login::kTooManyLogins);
  EXPECT_EQ(Login("dan", "pass1234", {.address = "10.0.0.2"}), "");
  chat.clock.Advance(60);
  EXPECT_EQ(Login("dan", "pass1234"), "");
}

// Ten wrong passwords for a name, from ten addresses and with a right one among them, hold
// back its logins from every address for the rest of the 15 minutes, the right password
// too; the limit is logged once, and other names log in as before.
TEST_F(FloodTest, TheEleventhTryForANameIsRefusedFromAnyAddressAndLoggedOnce) {
  AddUser("ann", "right123");
  const auto from = [](int i) {
    return testing::LoginForm{.address = "10.1.0." + std::to_string(i)};
  };
  for (int i = 1; i <= 10; ++i) {
    if (i == 6) {
      EXPECT_EQ(Login("ann", "right123", from(5)), "");
    }
    EXPECT_EQ(Login("ann", "wrong" + std::to_string(i), from(i)), login::kWrongPassword);
  }
  EXPECT_EQ(Login("ann", "right123", from(11)), login::kTooManyWrongPasswords);
  EXPECT_EQ(Login("ANN", "wrong12", from(12)), login::kTooManyWrongPasswords);
  EXPECT_EQ(chat.db.Joined("SELECT occ_env FROM record WHERE stype=56", "|"),
            "系统>系统> >[ann]>自动>15分钟内密码错误10次>暂停用户%%登录15分钟");
  EXPECT_EQ(Login("bob", "wrong", from(13)), login::kWrongPassword);
  EXPECT_EQ(Login("bob", "pass1234", from(13)), "");
  chat.clock.Advance(15 * 60);
  EXPECT_EQ(Login("ann", "right123", from(14)), "");
}

TEST_F(FloodTest, ACommandLineActsAndAnswersThePosterAlone) {
  const std::string stored = Current();
  EXPECT_NE(Post(*bob_, "/kick mod 5").find("【系统】你的级别不够，不能这样做！"),
            std::string::npos);
  EXPECT_NE(Post(*mod_, "/kick bob 5").find("【系统】好的：把bob踢出聊天室5分钟。"),
            std::string::npos);
  EXPECT_EQ(Text("_user_list").find("<$bob$>"), std::string::npos);
  // Only the departure and the kick notice reached the ring, no line of either poster.
  EXPECT_EQ(convert::ToDouble(Value(Current())) - convert::ToDouble(Value(stored)), 2);
}

TEST(Restraints, AWindowCountsItsLastSecondsAndForgetsStrikesWhenEmptyAndATokenIsTakenOnce) {
  Restraints r;
  EXPECT_EQ(r.Note("post:a", Date{100}, 10), 1u);
  EXPECT_EQ(r.Note("post:a", Date{105}, 10), 2u);
  EXPECT_EQ(r.Note("post:b", Date{105}, 10), 1u);
  EXPECT_EQ(r.Strike("post:a"), 1);
  EXPECT_EQ(r.Strike("post:a"), 2);
  EXPECT_EQ(r.Note("post:a", Date{110}, 10), 2u);  // the event at 100 is 10 seconds old
  EXPECT_EQ(r.Strike("post:a"), 3);
  EXPECT_EQ(r.Note("post:a", Date{200}, 10), 1u);
  EXPECT_EQ(r.Strike("post:a"), 1);
  r.Forget("post:a");
  EXPECT_EQ(r.Note("post:a", Date{200}, 10), 1u);
  // A sent-away token is taken once, and an empty one never.
  r.SendAway("t1");
  r.SendAway("");
  EXPECT_FALSE(r.TakeSentAway(""));
  EXPECT_TRUE(r.TakeSentAway("t1"));
  EXPECT_FALSE(r.TakeSentAway("t1"));
}

}  // namespace
}  // namespace ravochat::state
