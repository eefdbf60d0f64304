// Posting a line: refusals, what is stored and for whom, escaping by level, presence in the
// room, the poster's reply and his record; the lines that branch off: "//" and "/action" commands,
// room titles and the room robot's answers.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "messages/messages_fixture.h"
#include "messages/posting.h"

namespace ravochat::messages {
namespace {

std::string SystemReply(const std::string& message) {
  return PollPage("parent.addsay(-1,'" + message +
                  "','','amy',0,'990066','',-2,'12:00:00');parent.ref(0);</script>");
}

class Posting : public MessagesTest {
 protected:
  Posting() {
    chat.db.Exec(
        "INSERT INTO action (act_name, toall, toself, toother) VALUES "
        "('hug', '##hugs all', '##hugs self', '##hugs %%')");
    for (const char* name : {"amy", "bob", "owner"}) chat.Enter(name, 1);
    chat.Enter("tia", 1, 3);
    chat.Enter("eve", 1, 8);
    chat.Enter("cat", 2);
  }
};

TEST_F(Posting, AVisitorWhoIsNotLoggedInIsSentToTheErrorPage) {
  MemorySession stranger;
  MemoryRequest request;
  request.SetForm("says", "hi");
  EXPECT_EQ(chat.Component()->subsay(chat.app, stranger, request),
            PollPage("top.location.href = 'showerr.asp?errtext=你还没有登录到聊天室！';</script>"));
}

TEST_F(Posting, AnEmptyLineALineToANameOutsideTheRoomOrToOneselfIsNotStored) {
  EXPECT_EQ(Post("amy", "   "), SystemReply("【系统】发言为空！"));
  EXPECT_EQ(Post("amy", "hi", "cat"), SystemReply("【系统】cat不在当前聊天室里！"));
  EXPECT_EQ(Post("amy", "hi", "x');alert(1);('<b>"),
            SystemReply("【系统】x\\');alert(1);(\\'&lt;b&gt;不在当前聊天室里！"));
  // A line to oneself is shown privately with its brackets.
  EXPECT_EQ(Post("amy", "[b]note", "amy"),
            PollPage("parent.addsay(-1,'[b]note','amy','amy',1,'000000','',0,'12:00:00');"
                     "parent.ref(0);</script>"));
  EXPECT_EQ(Newest(), 0);
}

TEST_F(Posting, ThePosterGetsEveryNewLineAtOnce) {
  Post("bob", "first");
  EXPECT_EQ(Post("amy", "second", "大家", {{"id", 0}}),
            PollPage("parent.addsay(1," + Stored("first", "bob") + "2," + Stored("second", "amy") +
                     "'');parent.ref(2);</script>"));
}

TEST_F(Posting, OnlyTheTruthValueTrueMakesALineToOneVisitorSecret) {
  const std::pair<const char*, int> cases[] = {{"1", 0}, {"TRUE", 1}, {"-1", 1}};
  for (const auto& [secret, flag] : cases) {
    Post("amy", "a", "bob", {{"secret", secret}});
    EXPECT_EQ(chat.Get("_says").At(Newest(), ring_field::kSecret), Value(flag)) << secret;
  }
  Post("amy", "hi", "大家", {{"secret", "true"}});
  EXPECT_EQ(chat.Get("_says").At(Newest(), ring_field::kSecret), Value(0));
}

TEST_F(Posting, AStoredLineIsCutThenEscapedByThePostersLevel) {
  const std::string a19(19, 'a');
  struct Case {
    std::string who, says, stored;
  };
  for (const Case& c :
       {Case{"amy", a19 + "<<", a19 + "&lt;"},  // 20 characters, then escaped
        Case{"amy", "#<b>hi</b>", "#&lt;b&gt;hi&lt;/b&gt;"},
        Case{"eve", "#<b>scriptSCRIPT</b>", "<b>\\script\\SCRIPT</b>"}, Case{"amy", "#hi", "#hi"},
        Case{"amy", "[b]x", "&#91;b]x"}, Case{"owner", "[b]x", "[b]x"}}) {
    Post(c.who, c.says);
    EXPECT_EQ(NewestText(), Stored(c.stored, c.who)) << c.says;
  }
}

TEST_F(Posting, AnActCodeThatIsNoNumberOrNegativeCountsAsZero) {
  for (const auto& [sent, stored] : {std::pair{"x", "0"}, {"-3", "0"}, {"7", "7"}}) {
    Post("amy", "a", "大家", {{"addsays", sent}});
    EXPECT_EQ(NewestText(), Stored("a", "amy", stored));
  }
}

TEST_F(Posting, APosterMissingFromTheOccupantListIsAddedOnceEvenWhenRefused) {
  chat.SetListField("_room_list", "1", room_field::kOccupants, "bob");
  Post("amy", "");
  EXPECT_EQ(chat.ListField("_room_list", "1", room_field::kOccupants), "bob amy");
  Post("amy", "hi");
  EXPECT_EQ(chat.ListField("_room_list", "1", room_field::kOccupants), "bob amy");
}

TEST_F(Posting, ThePostersRecordKeepsTheTimeOfHisLastStoredLine) {
  Post("bob", "x");
  chat.clock.Advance(10);
  Post("amy", "");
  EXPECT_EQ(chat.ListField("_user_list", "amy", user_field::kLastSaid), "2026-12-06 12:00:00");
  EXPECT_EQ(chat.ListField("_user_list", "amy", user_field::kLastSeen), "2026-12-06 12:00:10");
  chat.clock.Advance(10);
  Post("amy", "hi", "大家", {{"id", 0}});
  EXPECT_EQ(chat.ListField("_user_list", "amy", user_field::kLastSaid), "2026-12-06 12:00:20");
  EXPECT_EQ(chat.ListField("_user_list", "amy", user_field::kLastSeen), "2026-12-06 12:00:20");
  EXPECT_EQ(chat.ListField("_user_list", "amy", user_field::kLastSayId), "2");
}

TEST_F(Posting, TheCheckWindowOpensOnlyAfterMoreThanAMinute) {
  chat.clock.Advance(60);
  EXPECT_EQ(Post("amy", "a").find("usercheck"), std::string::npos);
  chat.clock.Advance(1);
  EXPECT_NE(Post("amy", "b").find("window.open('usercheck.asp','usercheck');parent.ref(2);"),
            std::string::npos);
  chat.clock.Advance(30);
  EXPECT_EQ(Post("amy", "c").find("usercheck"), std::string::npos);
}

TEST_F(Posting, ADoubleSlashLineGetsHashesAndAnActionItsTextForTheTargetAllOrSelf) {
  Post("amy", "//waves");
  EXPECT_EQ(NewestText(), Stored("waves##", "amy", "-1"));
  Post("amy", "//a##b");
  EXPECT_EQ(NewestText(), Stored("a##b", "amy", "-1"));
  // An action reads the text for its target, and "all" or "self" override it.
  for (const auto& [says, to, text] : {std::tuple{"/hug", "大家", "all"},
                                       {"/hug", "bob", "%%"},
                                       {"/hug all", "bob", "all"},
                                       {"/hug self", "大家", "self"}}) {
    Post("amy", says, to);
    EXPECT_EQ(NewestText(), "'##hugs " + std::string(text) +
                                "<font color=990099>[/hug]</font>','amy','" + to +
                                "',0,'000000','',-1,'12:00:00',")
        << says;
  }
}

TEST_F(Posting, AnUnknownActionGivesTheSystemLineAndStoresNothing) {
  EXPECT_EQ(Post("amy", "/dance"), SystemReply("【系统】没有动作「dance」！"));
  EXPECT_EQ(Post("amy", "/"), SystemReply("【系统】没有动作「」！"));
  // A name with quotes is only ever a name.
  EXPECT_NE(Post("amy", "/x' OR 'a'='a").find("没有动作「x\\'"), std::string::npos);
  EXPECT_EQ(Newest(), 0);
}

TEST_F(Posting, TheOwnerOrAVisitorOfTheTitleLevelSetsTheRoomTitleForEveryone) {
  Post("owner", "a'bcdefg", "大家", {{"istitle", "1"}});  // cut to 5, escaped, signed
  std::string title = "a&#39;bcd<font style=color:990099>(owner,12:00:00)</font>";
  EXPECT_EQ(chat.ListField("_room_list", "1", room_field::kTitle), title);
  EXPECT_EQ(chat.db.Scalar("SELECT room_title FROM room WHERE ID=1"), title);
  EXPECT_EQ(NewestText(),
            Stored("<\\script>parent.chftitle(\\'" + title + "\\')</\\script>", "owner", "-5"));
  Post("tia", "[new]", "bob", {{"istitle", "1"}, {"secret", "true"}});
  title = "[new]<font style=color:990099>(tia,12:00:00)</font>";
  EXPECT_EQ(chat.ListField("_room_list", "1", room_field::kTitle), title);
  EXPECT_EQ(NewestText(),
            Stored("<\\script>parent.chftitle(\\'&#91;" + title.substr(1) + "\\')</\\script>",
                   "tia", "-5"));
  Post("amy", "mine", "大家", {{"istitle", "1"}});  // below the level: an ordinary line
  EXPECT_EQ(chat.ListField("_room_list", "1", room_field::kTitle), title);
  EXPECT_EQ(NewestText(), Stored("mine", "amy"));
}

TEST_F(Posting, TheRobotAnswersPrivatelyWithItsRowOrTheFixedReplyAndStoresNothing) {
  chat.Set("_autosay_count", "1");
  chat.db.Exec("INSERT INTO autoact (id, text_body) VALUES (0, 'beep''s')");
  EXPECT_EQ(Post("amy", "hi", "robot", {{"addsays", "3"}, {"addwordcolor", "ff0000"}}),
            PollPage("parent.addsay(-1,'hi','amy','robot',1,'000000','ff0000',3,'12:00:00');"
                     "parent.addsay(-1,'beep\\'s','robot','amy',1,'ff0000','000000',3,"
                     "'12:00:00');parent.ref(0);</script>"));
  chat.db.Exec("DELETE FROM autoact");
  // The answer carries the act code as sent.
  EXPECT_EQ(Post("amy", "hi", "robot", {{"addsays", "-4"}}),
            PollPage("parent.addsay(-1,'hi','amy','robot',1,'000000','',0,'12:00:00');"
                     "parent.addsay(-1,'我什么都不知道，真的，不骗你！','robot','amy',1,'',"
                     "'000000',-4,'12:00:00');parent.ref(0);</script>"));
  EXPECT_EQ(Newest(), 0);
}

TEST(RobotRow, DrawsFromZeroToOneBelowTheCount) {
  EXPECT_EQ(RobotRow(0.0, 1), 0);
  EXPECT_EQ(RobotRow(0.999, 1), 0);
  EXPECT_EQ(RobotRow(0.2, 5), 1);
  EXPECT_EQ(RobotRow(0.999, 5), 4);
}

}  // namespace
}  // namespace ravochat::messages
