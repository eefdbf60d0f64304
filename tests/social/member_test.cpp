// A chatter's own things: who may read and change what, the refusals that change
// nothing, and the system lines that reach an addressee online.
#include "ravochat/social.h"

#include <gtest/gtest.h>

#include "core/convert.h"
#include "core/records.h"
#include "login/login_chat.h"
#include "login/login_texts.h"
#include "social/social_texts.h"

namespace ravochat::social {
namespace {

using testing::LoginChat;

class MemberTest : public LoginChat, public ::testing::Test {
 protected:
  MemberTest() {
    chat.Params({"saysfilterstr=坏话", "enablesaysfilter=1"});
    for (const char* name : {"cat", "bob", "ann"}) EXPECT_EQ(Login(name, "pass1234"), "");
    // cat's row stays, but he is no longer in the chat.
    chat.Set("_user_list", Value(Text("_user_list").substr(Text("_user_list").find("<$bob$>"))));
  }

  Member As(const std::string& name) {
    auto member = Member::Find(chat.app, SessionOf(name), "", chat.clock);
    EXPECT_TRUE(member.has_value()) << name;
    return std::move(*member);
  }
  std::string Column(std::string_view sql, const std::string& name) {
    return chat.db.Scalar(sql, {Value(name)});
  }
  // The newest ring row: addressee and text.
  std::pair<std::string, std::string> LastLine() {
    const int row = convert::ToInt32(chat.Get("_current"));
    return {Ring(row, ring_field::kTo), Ring(row, ring_field::kText)};
  }
};

TEST_F(MemberTest, OnlyAVisitorValidlyInTheChatIsAMember) {
  MemorySession stranger;
  EXPECT_FALSE(Member::Find(chat.app, stranger, "", chat.clock).has_value());
  SessionOf("bob").Set("mytemp", Value("forged"));
  EXPECT_FALSE(Member::Find(chat.app, SessionOf("bob"), "", chat.clock));
  EXPECT_EQ(As("ann").name(), "ann");
}

TEST_F(MemberTest, SettingsOutOfBoundsAreRefusedAndChangeNothing) {
  Member ann = As("ann");
  const Settings before = ann.ReadSettings();
  const Settings good{1099, 1, 12, 16, 17, 0, "#FFEEDD:#cc0000:#000000", before.friends};
  struct Case {
    void (*change)(Settings&);
    std::string_view refusal;
  };
  const Case cases[] = {
      {[](Settings& s) { s.face = 1000; }, texts::kOutOfRange},
      {[](Settings& s) { s.sex = 2; }, texts::kOutOfRange},
      {[](Settings& s) { s.f_size = 13; }, texts::kOutOfRange},
      {[](Settings& s) { s.l_height = -1; }, texts::kOutOfRange},
      {[](Settings& s) { s.n_color = 18; }, texts::kOutOfRange},
      {[](Settings& s) { s.bgcolor = "#fff:#000000:#000000"; }, texts::kBadColour},
      {[](Settings& s) { s.bgcolor = "#FFFFFF:#000000"; }, texts::kBadColour},
      {[](Settings& s) { s.bgcolor = "#FFFFFF:#000000:#00000g"; }, texts::kBadColour},
      {[](Settings& s) { s.bgcolor = "#FFFFFF';alert(1);'"; }, texts::kBadColour},
  };
  for (const Case& c : cases) {
    Settings wanted = good;
    c.change(wanted);
    EXPECT_EQ(ann.ChangeSettings(wanted), c.refusal);
    EXPECT_EQ(ann.ReadSettings().bgcolor, before.bgcolor);
    EXPECT_EQ(ann.ReadSettings().face, before.face);
  }
  EXPECT_EQ(ann.ChangeSettings(good), "");
  const Settings after = ann.ReadSettings();
  EXPECT_EQ(std::tie(after.face, after.sex, after.f_size, after.l_height, after.n_color,
                     after.s_color, after.bgcolor),
            std::tie(good.face, good.sex, good.f_size, good.l_height, good.n_color, good.s_color,
                     good.bgcolor));
  EXPECT_EQ(As("bob").ReadSettings().bgcolor, before.bgcolor);  // bob's row untouched
}

TEST_F(MemberTest, APasswordChangesOnlyWithTheOldPasswordAndTheLoginThenNeedsTheNewOne) {
  Member ann = As("ann");
  const auto passwd = [&](const std::string& name) {
    return Column("SELECT passwd FROM user WHERE username=?", name);
  };
  const std::string before = passwd("ann"), bob_before = passwd("bob");
  EXPECT_EQ(ann.ChangePassword("wrong123", "newpass1", "newpass1"), texts::kWrongOldPassword);
  EXPECT_EQ(ann.ChangePassword("pass1234", "newpass1", "newpass2"), texts::kPasswordMismatch);
  EXPECT_EQ(ann.ChangePassword("pass1234", "  ", "  "), texts::kPasswordEmpty);
  EXPECT_EQ(ann.ChangePassword("pass1234", "ANN", "ANN"), texts::kPasswordIsName);
  EXPECT_EQ(passwd("ann"), before);
  EXPECT_EQ(ann.ChangePassword("pass1234", "newpass1", "newpass1"), "");
  EXPECT_NE(passwd("ann"), before);
  EXPECT_EQ(passwd("bob"), bob_before);
  EXPECT_EQ(Login("ann", "pass1234"), login::kWrongPassword);
  EXPECT_EQ(Login("ann", "newpass1"), "");
}

TEST_F(MemberTest, FriendsListTakesOnlyOtherExistingUsersOnce) {
  Member ann = As("ann");
  EXPECT_EQ(ann.AddFriend("nobody"), texts::kNoSuchUser);
  EXPECT_EQ(ann.AddFriend("ANN"), texts::kNotYourself);
  EXPECT_EQ(ann.AddFriend("BOB"), "");
  EXPECT_EQ(ann.AddFriend("bob"), texts::kAlreadyFriend);
  EXPECT_EQ(ann.AddFriend("cat"), "");
  EXPECT_EQ(ann.ReadSettings().friends, "bob cat");
  EXPECT_EQ(ann.RemoveFriend("bob"), "");
  EXPECT_EQ(ann.RemoveFriend("bob"), texts::kNotAFriend);
  EXPECT_EQ(ann.ReadSettings().friends, "cat");
  EXPECT_EQ(As("bob").ReadSettings().friends, "");
}

TEST_F(MemberTest, ACallReachesAnAddresseeOnlineAtOnceAndIsListedForHimAndOneToAllForADay) {
  Member ann = As("ann");
  EXPECT_EQ(ann.Call("nobody", "hi"), texts::kNoSuchUser);
  EXPECT_EQ(ann.Call("Bob", "来<b>坏话"), "");
  EXPECT_EQ(LastLine(),
            std::make_pair(std::string("bob"),
                           std::string("'【系统】ann呼叫你：来&lt;b&gt;**(脏话)','','bob',1,'',"
                                       "'',-5,'12:00:00',")));
  const auto number = chat.Get("_current");
  EXPECT_EQ(ann.Call("cat", "在吗"), "");  // cat is not online: no line
  EXPECT_EQ(convert::ToText(chat.Get("_current")), convert::ToText(number));

  Member bob = As("bob");
  const std::vector<CallEntry> calls = bob.ReadCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].who + calls[0].message, "ann来<b>**(脏话)");
  EXPECT_TRUE(calls[0].unread);
  EXPECT_FALSE(bob.ReadCalls()[0].unread);
  EXPECT_EQ(Column("SELECT count(*) FROM calls WHERE towho=? AND read=0", "cat"), "1");
  // A call to everybody is listed for everybody for a day.
  EXPECT_EQ(ann.Call(std::string(kEverybody), ""), "");
  EXPECT_EQ(LastLine().first, "大家");
  chat.clock.Advance(kBroadcastHours * 3600);
  EXPECT_EQ(bob.ReadCalls().size(), 2u);
  chat.clock.Advance(1);
  EXPECT_EQ(bob.ReadCalls().size(), 1u);  // his own call stays
}

TEST_F(MemberTest, NotesAreFilteredAndOnlyTheirAddresseeReadsAndDeletesThem) {
  Member ann = As("ann");
  EXPECT_EQ(ann.LeaveNote("cat", "  "), texts::kEmptyMessage);
  EXPECT_EQ(ann.LeaveNote("cat", "说坏话" + std::string(300, 'x')), "");
  Member bob = As("bob");
  EXPECT_TRUE(bob.Notes().empty());
  const std::int64_t id = std::stoll(Column("SELECT ID FROM guestbook WHERE towho=?", "cat"));
  EXPECT_EQ(bob.DeleteNote(id), texts::kNoSuchNote);
  EXPECT_EQ(ann.DeleteNote(id), texts::kNoSuchNote);  // the writer neither
  EXPECT_EQ(Column("SELECT message FROM guestbook WHERE towho=?", "cat"),
            "说**(脏话)" + std::string(197, 'x'));
}

TEST_F(MemberTest, OnlyTheAddresseeAnswersAFriendRequestAndBothBecomeFriends) {
  Member ann = As("ann");
  EXPECT_EQ(ann.AskFriend("bob"), "");
  EXPECT_EQ(ann.AskFriend("bob"), texts::kRequestPending);
  const std::string id = Column("SELECT ID FROM friendrq WHERE who=?", "ann");
  EXPECT_EQ(LastLine().first, "bob");
  EXPECT_NE(LastLine().second.find("agreefriend.asp?ID=" + id + "&answer=yes"), std::string::npos);

  EXPECT_EQ(ann.AnswerFriend(std::stoll(id), true), texts::kNoSuchRequest);
  Member bob = As("bob");
  EXPECT_EQ(bob.AnswerFriend(std::stoll(id) + 1, true), texts::kNoSuchRequest);
  EXPECT_EQ(bob.AnswerFriend(std::stoll(id), true), "");
  EXPECT_EQ(LastLine().first, "ann");
  EXPECT_EQ(bob.ReadSettings().friends, "ann");
  EXPECT_EQ(ann.ReadSettings().friends, "bob");
  EXPECT_EQ(Column("SELECT count(*) FROM friendrq WHERE who=?", "ann"), "0");
  EXPECT_EQ(ann.AskFriend("bob"), texts::kAlreadyFriend);
}

}  // namespace
}  // namespace ravochat::social
