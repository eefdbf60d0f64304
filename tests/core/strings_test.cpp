// Character-level text rules: Chinese characters count once, only U+0020 is trimmed.
#include "core/strings.h"

#include <gtest/gtest.h>

namespace ravochat::strings {
namespace {

using Pieces = std::vector<std::string>;

TEST(Strings, LengthAndCutsCountCharactersNotBytes) {
  EXPECT_EQ(Length("中文ab"), 4u);
  EXPECT_EQ(Left("中文ab", 1), "中");
  EXPECT_EQ(Left("中文ab", 3), "中文a");
  EXPECT_EQ(Left("ab", 5), "ab");
  EXPECT_EQ(Characters("a中b"), (Pieces{"a", "中", "b"}));
}

TEST(Strings, TrimRemovesOnlyTheAsciiBlank) {
  EXPECT_EQ(Trim("  a b  "), "a b");
  EXPECT_EQ(Trim("\ta\t"), "\ta\t");
  EXPECT_EQ(Trim("　a　"), "　a　");
  EXPECT_EQ(Trim("   "), "");
}

TEST(Strings, ReplaceChangesEveryOccurrenceLeftToRight) {
  EXPECT_EQ(Replace("aaa", "aa", "b"), "ba");
  EXPECT_EQ(Replace("abc", "", "x"), "abc");
  EXPECT_EQ(ReplaceFirst("a-b-c", "-", "+"), "a+b-c");
}

TEST(Strings, SplitKeepsEmptyPiecesButTheEmptyTextHasNone) {
  EXPECT_EQ(Split("", ","), Pieces{});
  EXPECT_EQ(Split("abc", ","), Pieces{"abc"});
  EXPECT_EQ(Split(",a,,b,", ","), (Pieces{"", "a", "", "b", ""}));
  EXPECT_EQ(Join({"", "a", "", "b", ""}, ","), ",a,,b,");
}

TEST(Strings, CaseFoldingTouchesAsciiLettersOnly) {
  EXPECT_EQ(ToLowerAscii("AbC中Ä"), "abc中Ä");
  EXPECT_TRUE(EqualsIgnoreCase("_User_List", "_user_list"));
  EXPECT_FALSE(EqualsIgnoreCase("a", "ab"));
}

}  // namespace
}  // namespace ravochat::strings
