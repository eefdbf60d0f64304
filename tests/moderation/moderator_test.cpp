// Moderation actions: who may take them on whom, what a ban does to the visitor online and
// to his next login, and the log row each action leaves.
#include "ravochat/moderation.h"

#include <gtest/gtest.h>

#include "core/records.h"
#include "login/login_chat.h"
#include "login/login_texts.h"
#include "messages/pages.h"
#include "moderation/moderation_texts.h"

namespace ravochat::moderation {
namespace {

using testing::LoginChat;

class ModeratorTest : public LoginChat, public ::testing::Test {
 protected:
  ModeratorTest() {
    chat.Params({"l_kick=6", "l_freeze=6", "l_lock=6", "l_level=6", "l_door=6", "l_robot=6",
                 "l_title=6", "titlelength=20", "usernameenable=_"});
    for (const auto& [name, level] : {std::pair{"mod", 7}, {"peer", 7}, {"low", 5}, {"bob", 1}}) {
      AddUser(name, "pass1234", level);
      EXPECT_EQ(Login(name, "pass1234"), "") << name;
    }
  }

  Moderator As(const std::string& name) {
    auto moderator = Moderator::Find(chat.app, SessionOf(name), "", chat.clock);
    EXPECT_TRUE(moderator.has_value()) << name;
    return std::move(*moderator);
  }
  std::string Scalar(std::string_view sql) { return chat.db.Scalar(sql); }
  std::string LogCount() { return Scalar("SELECT count(*) FROM record"); }
  std::string Refresh(const std::string& name) { return chat.Poll(SessionOf(name)); }
};

TEST_F(ModeratorTest, EveryActionIsRefusedBelowItsLevelOrWithoutOneAndOnAnEqualOrHigherLevel) {
  struct Case {
    std::string actor, target;
    std::string_view refusal;
  };
  for (const Case& c :
       {Case{"low", "bob", texts::kNotAllowed}, Case{"mod", "peer", texts::kNotOnEqual},
        Case{"low", "mod", texts::kNotAllowed}, Case{"mod", "mod", texts::kNotYourself},
        Case{"mod", "nobody", texts::kNoSuchUser}}) {
    Moderator m = As(c.actor);
    for (const Outcome& o :
         {m.Kick(c.target, 5), m.Freeze(c.target, 1), m.GiveLevel(c.target, 6)}) {
      EXPECT_FALSE(o.done) << c.actor << " on " << c.target;
      EXPECT_EQ(o.message, c.refusal) << c.actor << " on " << c.target;
    }
  }
  Moderator low = As("low");
  for (const Outcome& o : {low.LockAddress("10.0.0.", 5), low.SetDoor(1, false),
                           low.SetRobot(1, "robo"), low.SetTitle(1, "hi")}) {
    EXPECT_EQ(o.message, texts::kNotAllowed);
  }
  EXPECT_EQ(LogCount(), "0");
  EXPECT_NE(Text("_user_list").find("<$bob$>"), std::string::npos);
  // A missing level setting leaves the action to the operator alone.
  chat.Set("_l_kick", Value(""));
  EXPECT_FALSE(As("mod").May(Action::kKick));
  EXPECT_TRUE(Moderator::Operator(chat.app, "", chat.clock).May(Action::kKick));
}

TEST_F(ModeratorTest, AKickTakesHimOutClosesHisWindowAndRefusesHimUntilTheTimePasses) {
  const Outcome o = As("mod").Kick("BOB", 5, "刷屏");
  EXPECT_TRUE(o.done);
  EXPECT_EQ(o.message, "把bob踢出聊天室5分钟");
  EXPECT_EQ(Text("_user_list").find("<$bob$>"), std::string::npos);
  EXPECT_EQ(Scalar("SELECT occ_env FROM record WHERE stype=41"),
            "mod>等级7> >[bob]>手动>刷屏>把%%踢出聊天室5分钟");
  EXPECT_EQ(Scalar("SELECT out_info || ' ' || out_time FROM user WHERE username='bob'"),
            "5 2026-12-06 12:05:00");
  // His next poll closes the window; a later one finds him simply not logged in.
  EXPECT_NE(Refresh("bob").find(messages::kCloseRedirect), std::string::npos);
  EXPECT_NE(Refresh("bob").find(messages::kNotLoggedInScript), std::string::npos);
  EXPECT_EQ(Login("bob", "pass1234"), login::kKickedOut);
  chat.clock.Advance(5 * 60 + 1);
  EXPECT_EQ(Login("bob", "pass1234"), "");
}

TEST_F(ModeratorTest, FreezingForGoodAndForDaysSetTheAccountStates) {
  EXPECT_TRUE(As("mod").Freeze("bob", 0).done);
  EXPECT_EQ(Login("bob", "pass1234"), login::kFrozenForGood);
  EXPECT_TRUE(Moderator::Operator(chat.app, "", chat.clock).Freeze("low", 2).done);
  EXPECT_EQ(Login("low", "pass1234"), login::kFrozen);
  EXPECT_EQ(As("mod").Freeze("bob", 4000).message, texts::kBadDays);
}

TEST_F(ModeratorTest, AnAddressLockRefusesNewUsersAndThoseBelowTheLockersLevel) {
  EXPECT_EQ(As("mod").LockAddress("10.0.0", 60).message, "封锁地址10.0.0 60分钟");
  EXPECT_EQ(Login("newbie", "pass1234", {.address = "10.0.0.9"}), login::kAddressLocked);
  EXPECT_EQ(Login("low", "pass1234", {.address = "10.0.0.9"}), login::kAddressLocked);
  EXPECT_EQ(Login("peer", "pass1234", {.address = "10.0.0.9"}), "");
  EXPECT_EQ(As("mod").LockAddress("x'or", 60).message, texts::kBadAddress);
}

TEST_F(ModeratorTest, ATemporaryLevelCountsAtOnceAndAtTheNextLogin) {
  EXPECT_EQ(As("mod").GiveLevel("bob", 7).message, texts::kBadLevel);
  EXPECT_TRUE(As("mod").GiveLevel("bob", 6).done);
  EXPECT_EQ(Record("bob", 8), "6");
  EXPECT_TRUE(As("bob").May(Action::kKick));
  EXPECT_EQ(Login("bob", "pass1234"), "");
  EXPECT_EQ(Record("bob", 8), "6");
}

TEST_F(ModeratorTest, TheModeratorSeesTheLevelTheLoginGivesOnlineAndOffline) {
  chat.Set("_l_level", Value("1"));
  for (int level : {3, 4, 6, 7, 8, 9}) {
    const std::string name = "mod" + std::to_string(level);
    AddUser(name, "pass1234", level);
    ASSERT_EQ(Login(name, "pass1234"), "") << name;
  }
  // Temporary level 1 is never granted, so a moderator below the target gets kBadLevel and
  // one at or under the target's level kNotOnEqual, and nothing changes.
  const auto by = [&](int level, const std::string& target) {
    return As("mod" + std::to_string(level)).GiveLevel(target, 1).message;
  };
  struct Case {
    int own;
    const char* temporary;  // a vrecord row, or none
    int effective;
  };
  int n = 0;
  for (const Case& c : {Case{3, nullptr, 3}, Case{3, "5", 3}, Case{3, "6", 6}, Case{3, "8", 8},
                        Case{8, "6", 8}, Case{6, "6", 6}}) {
    const std::string name = "user" + std::to_string(n++);
    AddUser(name, "pass1234", c.own);
    if (c.temporary) {
      chat.db.Exec("INSERT INTO vrecord (username,temp_level) VALUES ('" + name + "'," +
                   c.temporary + ")");
    }
    for (bool online : {false, true}) {
      if (online) {
        ASSERT_EQ(Login(name, "pass1234"), "") << name;
      }
      EXPECT_EQ(by(c.effective, name), texts::kNotOnEqual) << name << " online " << online;
      EXPECT_EQ(by(c.effective + 1, name), texts::kBadLevel) << name << " online " << online;
    }
    EXPECT_EQ(Record(name, user_field::kEffectiveLevel), std::to_string(c.effective));
    EXPECT_EQ(Record(name, user_field::kLevel), std::to_string(c.own));
  }
}

TEST_F(ModeratorTest, RoomActionsChangeTheListAndTheTable) {
  Moderator mod = As("mod");
  EXPECT_TRUE(mod.SetDoor(2, false).done);
  EXPECT_EQ(Login("newbie", "pass1234", {.room = "2"}), login::kRoomClosed);
  EXPECT_TRUE(mod.SetRobot(2, "小灵").done);
  EXPECT_EQ(mod.SetRobot(2, "a'b").message, texts::kBadRobot);
  EXPECT_TRUE(mod.SetTitle(2, "<b>新</b>").done);
  EXPECT_EQ(Scalar("SELECT door_open || room_auto FROM room WHERE ID=2"), "0小灵");
  EXPECT_EQ(
      Scalar("SELECT instr(room_title, '&lt;b&gt;新&lt;/b&gt;<font style=color:990099>(mod,') "
             "FROM room WHERE ID=2"),
      "1");
  EXPECT_EQ(mod.SetDoor(9, true).message, texts::kNoSuchRoom);
  EXPECT_EQ(LogCount(), "3");
}

TEST_F(ModeratorTest, CommandsTakeTheirArgumentsAndOtherLinesAreNoCommands) {
  Moderator mod = As("mod");
  EXPECT_FALSE(mod.Command("/问好 all", 1).has_value());
  EXPECT_FALSE(mod.Command("/kicks bob", 1).has_value());
  EXPECT_EQ(mod.Command("/kick bob x", 1)->message, texts::kUsage);
  EXPECT_EQ(mod.Command("/door ajar", 1)->message, texts::kUsage);
  EXPECT_EQ(mod.Command("/kick  bob", 1)->message, "把bob踢出聊天室10分钟");
  EXPECT_EQ(mod.Command("/door close", 1)->message, "关上房间大厅的门");
  EXPECT_EQ(mod.Command("/level low 0", 1)->message, "取消low的临时级别");
}

}  // namespace
}  // namespace ravochat::moderation
