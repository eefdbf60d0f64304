// Posting a line: refusals, what is stored and for whom, escaping by level, presence in the
// room, the poster's reply and his record.
#include <gtest/gtest.h>

#include <string>

#include "core/records.h"
#include "messages/messages_fixture.h"

namespace ravochat::messages {
namespace {

std::string Reply(const std::string& body) { return std::string(kHead) + kPoll + body; }

std::string SystemReply(const std::string& message, const std::string& name, int newest = 0) {
  return Reply("parent.addsay(-1,'" + message + "','','" + name +
               "',0,'990066','',-2,'12:00:00');parent.ref(" + std::to_string(newest) +
               ");</script>");
}

class Posting : public MessagesTest {
 protected:
  Posting() {
    chat.Enter("amy", 1);
    chat.Enter("bob", 1);
    chat.Enter("cat", 2);
  }

  // Field `field` of ring row `row`.
  Value Row(std::size_t row, std::size_t field) { return chat.Get("_says").At(row, field); }
  std::string NewestText() { return convert::ToText(Row(Newest() % 101, ring_field::kText)); }
};

TEST_F(Posting, AVisitorWhoIsNotLoggedInIsSentToTheErrorPage) {
  MemorySession stranger;
  MemoryRequest request;
  request.SetForm("says", "hi");
  EXPECT_EQ(chat.Component()->subsay(chat.app, stranger, request),
            Reply("top.location.href = 'showerr.asp?errtext=你还没有登录到聊天室！';</script>"));
}

TEST_F(Posting, ALineOfOnlySpacesIsRefusedAsEmpty) {
  EXPECT_EQ(Post("amy", "   "), SystemReply("【系统】发言为空！", "amy"));
  EXPECT_EQ(Newest(), 0);
}

TEST_F(Posting, ALineToANameOutsideTheRoomIsRefused) {
  EXPECT_EQ(Post("amy", "hi", "cat"), SystemReply("【系统】cat不在当前聊天室里！", "amy"));
  EXPECT_EQ(Newest(), 0);
}

TEST_F(Posting, ARefusedNameIsEscapedForThePostersScript) {
  EXPECT_EQ(Post("amy", "hi", "x');alert(1);('<b>"),
            SystemReply("【系统】x\\');alert(1);(\\'&lt;b&gt;不在当前聊天室里！", "amy"));
}

TEST_F(Posting, ThePosterGetsEveryNewLineAtOnce) {
  Post("bob", "first");
  EXPECT_EQ(Post("amy", "second", "大家", {{"id", 0}}),
            Reply("parent.addsay(1,'first','bob','大家',0,'000000','',0,'12:00:00',"
                  "2,'second','amy','大家',0,'000000','',0,'12:00:00','');parent.ref(2);"
                  "</script>"));
}

TEST_F(Posting, ALineToOneselfIsShownPrivatelyAndNeverStored) {
  EXPECT_EQ(Post("amy", "note", "amy"),
            Reply("parent.addsay(-1,'note','amy','amy',1,'000000','',0,'12:00:00');"
                  "parent.ref(0);</script>"));
  EXPECT_EQ(Newest(), 0);
}

TEST_F(Posting, ALineToEveryoneIsNeverSecret) {
  Post("amy", "hi", "大家", {{"secret", "true"}});
  EXPECT_EQ(Row(1, ring_field::kSecret), Value(0));
}

TEST_F(Posting, OnlyTheTruthValueTrueMakesALineSecret) {
  Post("amy", "a", "bob", {{"secret", "1"}});
  Post("amy", "b", "bob", {{"secret", "TRUE"}});
  Post("amy", "c", "bob", {{"secret", "-1"}});
  EXPECT_EQ(Row(1, ring_field::kSecret), Value(0));
  EXPECT_EQ(Row(2, ring_field::kSecret), Value(1));
  EXPECT_EQ(Row(3, ring_field::kSecret), Value(1));
}

TEST_F(Posting, ALineIsCutToTheLongestLengthBeforeEscaping) {
  Post("amy", std::string(25, '<'));
  std::string escaped;
  for (int i = 0; i < 20; ++i) escaped += "&lt;";
  EXPECT_EQ(NewestText(), "'" + escaped + "','amy','大家',0,'000000','',0,'12:00:00',");
}

TEST_F(Posting, MarkupFromAVisitorBelowTheHtmlLevelIsEscaped) {
  Post("amy", "#<b>hi</b>");
  EXPECT_EQ(NewestText(), "'#&lt;b&gt;hi&lt;/b&gt;','amy','大家',0,'000000','',0,'12:00:00',");
}

TEST_F(Posting, MarkupAfterAHashFromAnHtmlLevelKeepsItsTagsWithScriptGuarded) {
  chat.Enter("eve", 1, 8);
  Post("eve", "#<b>scriptSCRIPT</b>");
  EXPECT_EQ(NewestText(), "'<b>\\script\\SCRIPT</b>','eve','大家',0,'000000','',0,'12:00:00',");
}

TEST_F(Posting, AHashLineWithoutMarkupKeepsItsHash) {
  Post("amy", "#hi");
  EXPECT_EQ(NewestText(), "'#hi','amy','大家',0,'000000','',0,'12:00:00',");
}

TEST_F(Posting, BracketsAreEscapedBelowTheTagLevelExceptToOneselfAndForTheOwner) {
  chat.Enter("owner", 1);
  Post("amy", "[b]x");
  EXPECT_EQ(NewestText(), "'&#91;b]x','amy','大家',0,'000000','',0,'12:00:00',");
  EXPECT_NE(Post("amy", "[b]x", "amy").find("parent.addsay(-1,'[b]x'"), std::string::npos);
  Post("owner", "[b]x");
  EXPECT_EQ(NewestText(), "'[b]x','owner','大家',0,'000000','',0,'12:00:00',");
}

TEST_F(Posting, AnActCodeThatIsNoNumberOrNegativeCountsAsZero) {
  Post("amy", "a", "大家", {{"addsays", "x"}});
  EXPECT_EQ(NewestText(), "'a','amy','大家',0,'000000','',0,'12:00:00',");
  Post("amy", "b", "大家", {{"addsays", "-3"}});
  EXPECT_EQ(NewestText(), "'b','amy','大家',0,'000000','',0,'12:00:00',");
  Post("amy", "c", "大家", {{"addsays", "7"}});
  EXPECT_EQ(NewestText(), "'c','amy','大家',0,'000000','',7,'12:00:00',");
}

TEST_F(Posting, APosterMissingFromTheOccupantListIsAddedOnceEvenWhenRefused) {
  SetField("_room_list", "1", room_field::kOccupants, "bob");
  Post("amy", "");
  EXPECT_EQ(Field("_room_list", "1", room_field::kOccupants), "bob amy");
  Post("amy", "hi");
  EXPECT_EQ(Field("_room_list", "1", room_field::kOccupants), "bob amy");
}

TEST_F(Posting, AStoredLineUpdatesThePostersRecord) {
  Post("bob", "x");
  chat.clock.Advance(10);
  Post("amy", "hi", "大家", {{"id", 0}});
  EXPECT_EQ(Field("_user_list", "amy", user_field::kLastSaid), "2026-12-06 12:00:10");
  EXPECT_EQ(Field("_user_list", "amy", user_field::kLastSeen), "2026-12-06 12:00:10");
  EXPECT_EQ(Field("_user_list", "amy", user_field::kLastSayId), "2");
}

TEST_F(Posting, ARefusedLineLeavesTheTimeOfTheLastLine) {
  std::string said = Field("_user_list", "amy", user_field::kLastSaid);
  chat.clock.Advance(10);
  Post("amy", "");
  EXPECT_EQ(Field("_user_list", "amy", user_field::kLastSaid), said);
  EXPECT_EQ(Field("_user_list", "amy", user_field::kLastSeen), "2026-12-06 12:00:10");
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

}  // namespace
}  // namespace ravochat::messages
