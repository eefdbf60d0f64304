// The word filter and the escaping members, with their effects on the caller's variable.
#include "text/escape.h"

#include <gtest/gtest.h>

#include "ravochat/lumochat.h"

namespace ravochat::text {
namespace {

TEST(FilterWords, MasksOnlyTheFirstOccurrenceOfAWord) {
  EXPECT_EQ(FilterWords("bad and bad", "bad"), "**(脏话) and bad");
}

TEST(FilterWords, WordListedTwiceMasksTwoOccurrences) {
  EXPECT_EQ(FilterWords("bad and bad", "bad,bad"), "**(脏话) and **(脏话)");
}

TEST(FilterWords, EmptyWordsChangeNothing) {
  EXPECT_EQ(FilterWords("bad or ugly", "bad,,ugly,"), "**(脏话) or **(脏话)");
  EXPECT_EQ(FilterWords("text", ""), "text");
}

TEST(FilterWords, MatchingIsCaseSensitive) {
  EXPECT_EQ(FilterWords("BAD bad", "bad"), "BAD **(脏话)");
}

TEST(FilterWords, LaterWordMayMatchInsideAnEarlierMask) {
  EXPECT_EQ(FilterWords("坏蛋", "坏蛋,脏"), "**(**(脏话)话)");
}

TEST(EscapeHtml, EscapesTheThreeMetacharactersOnce) {
  EXPECT_EQ(EscapeHtml("<b>&amp;</b>"), "&lt;b&gt;&amp;amp;&lt;/b&gt;");
}

TEST(EscapeForDb, TrimsEndsBeforeTurningInnerSpacePairs) {
  EXPECT_EQ(EscapeForDb("  a  b  ", "").stored, "a\u3000b");
}

TEST(EscapeForDb, ThreeSpacesBecomeIdeographicSpaceAndSpace) {
  EXPECT_EQ(EscapeForDb("a   b    c", "").stored, "a\u3000 b\u3000\u3000c");
}

TEST(EscapeForDb, LineEndsBecomeBreaksOnlyInTheShownText) {
  DbText text = EscapeForDb("one\r\ntwo\r\n", "");
  EXPECT_EQ(text.stored, "one\rtwo\r");
  EXPECT_EQ(text.shown, "one<br>two<br>");
}

TEST(EscapeForDb, QuotesAndBackslashesBecomeEntities) {
  EXPECT_EQ(EscapeForDb("it's \"<\\>\"", "").shown, "it&#39;s &quot;&lt;&#92;&gt;&quot;");
}

TEST(EscapeForScript, DoublesBackslashesAndEscapesQuotes) {
  EXPECT_EQ(EscapeForScript("a\\\"b'", "", false).stored, "a\\\\\\\"b\\'");
}

TEST(EscapeForScript, RemovesLineBreaksAndTrimsOnlyTheShownText) {
  ScriptText text = EscapeForScript(" a\r\nb ", "", false);
  EXPECT_EQ(text.stored, " ab ");
  EXPECT_EQ(text.shown, "ab");
}

TEST(EscapeForScript, FiltersOnlyWhenAsked) {
  EXPECT_EQ(EscapeForScript("bad", "bad", false).shown, "bad");
  EXPECT_EQ(EscapeForScript("bad", "bad", true).shown, "**(脏话)");
}

class EscapeMembers : public ::testing::Test {
 protected:
  ManualClock clock_;
  lumochat chat_{clock_};
};

TEST_F(EscapeMembers, ZhglStoresTheFilteredTextInTheArgument) {
  chat_.FilterStr = "bad";
  std::string mess = "so bad";
  EXPECT_EQ(chat_.zhgl(mess), "so **(脏话)");
  EXPECT_EQ(mess, "so **(脏话)");
}

TEST_F(EscapeMembers, TrDbLeavesTheCarriageReturnsInTheArgument) {
  chat_.FilterStr = "bad";
  std::string mess = "  bad\r\n<i>  ";
  EXPECT_EQ(chat_.trDb(mess), "**(脏话)<br>&lt;i&gt;");
  EXPECT_EQ(mess, "**(脏话)\r&lt;i&gt;");
}

TEST_F(EscapeMembers, TrStrLeavesTheUntrimmedTextInTheArgument) {
  chat_.FilterStr = "bad";
  std::string mess = " bad's ";
  EXPECT_EQ(chat_.TrStr(mess, Value("1")), "**(脏话)\\'s");
  EXPECT_EQ(mess, " **(脏话)\\'s ");
}

TEST_F(EscapeMembers, TrStrFiltersForTheNumberOneButNotForOtherSwitches) {
  chat_.FilterStr = "bad";
  std::string mess = "bad";
  EXPECT_EQ(chat_.TrStr(mess, Value(1)), "**(脏话)");
  for (const Value& off : {Value("0"), Value(" 1"), Value(true), Value()}) {
    std::string same = "bad";
    EXPECT_EQ(chat_.TrStr(same, off), "bad");
  }
}

}  // namespace
}  // namespace ravochat::text
