// The word filter and the escaping members, with their effects on the caller's variable.
#include "text/escape.h"

#include <gtest/gtest.h>

#include "ravochat/lumochat.h"

namespace ravochat::text {
namespace {

TEST(FilterWords, MasksTheFirstOccurrenceOfEachListedWordInOrder) {
  EXPECT_EQ(FilterWords("bad and bad", "bad"), "**(脏话) and bad");
  EXPECT_EQ(FilterWords("bad and bad", "bad,bad"), "**(脏话) and **(脏话)");
  EXPECT_EQ(FilterWords("bad or ugly", "bad,,ugly,"), "**(脏话) or **(脏话)");
  EXPECT_EQ(FilterWords("text", ""), "text");
  EXPECT_EQ(FilterWords("BAD bad", "bad"), "BAD **(脏话)");
  EXPECT_EQ(FilterWords("坏蛋", "坏蛋,脏"), "**(**(脏话)话)");
}

// EscapeHtml escapes the three metacharacters once.
TEST(EscapeForDb, TrimsEscapesAndTurnsSpacePairsAndLineEnds) {
  EXPECT_EQ(EscapeHtml("<b>&amp;</b>"), "&lt;b&gt;&amp;amp;&lt;/b&gt;");
  EXPECT_EQ(EscapeForDb("  a  b  ", "").stored, "a\u3000b");
  EXPECT_EQ(EscapeForDb("a   b    c", "").stored, "a\u3000 b\u3000\u3000c");
  EXPECT_EQ(EscapeForDb("it's \"<\\>\"", "").shown, "it&#39;s &quot;&lt;&#92;&gt;&quot;");
  DbText text = EscapeForDb("one\r\ntwo\r\n", "");
  EXPECT_EQ(text.stored, "one\rtwo\r");
  EXPECT_EQ(text.shown, "one<br>two<br>");
}

TEST(EscapeForScript, EscapesQuotesRemovesBreaksAndTrimsOnlyTheShownText) {
  EXPECT_EQ(EscapeForScript("a\\\"b'", "", false).stored, "a\\\\\\\"b\\'");
  ScriptText text = EscapeForScript(" a\r\nb ", "", false);
  EXPECT_EQ(text.stored, " ab ");
  EXPECT_EQ(text.shown, "ab");
}

class EscapeMembers : public ::testing::Test {
 protected:
  void SetUp() override { chat_.FilterStr = "bad"; }
  ManualClock clock_;
  lumochat chat_{clock_};
};

TEST_F(EscapeMembers, MembersLeaveTheStoredTextInTheArgument) {
  std::string mess = "so bad";
  EXPECT_EQ(chat_.zhgl(mess), "so **(脏话)");
  EXPECT_EQ(mess, "so **(脏话)");
  mess = "  bad\r\n<i>  ";
  EXPECT_EQ(chat_.trDb(mess), "**(脏话)<br>&lt;i&gt;");
  EXPECT_EQ(mess, "**(脏话)\r&lt;i&gt;");
  mess = " bad's ";
  EXPECT_EQ(chat_.TrStr(mess, Value("1")), "**(脏话)\\'s");
  EXPECT_EQ(mess, " **(脏话)\\'s ");
}

TEST_F(EscapeMembers, TrStrFiltersForTheNumberOneButNotForOtherSwitches) {
  std::string mess = "bad";
  EXPECT_EQ(chat_.TrStr(mess, Value(1)), "**(脏话)");
  for (const Value& off : {Value("0"), Value(" 1"), Value(true), Value()}) {
    mess = "bad";
    EXPECT_EQ(chat_.TrStr(mess, off), "bad");
  }
}

}  // namespace
}  // namespace ravochat::text
