// User-name rules: forbidden words, the permitted code set, and name lengths.
#include "text/name_check.h"

#include <gtest/gtest.h>

#include "ravochat/lumochat.h"

namespace ravochat::text {
namespace {

int Code(int bytes) { return bytes < 0x100 ? bytes : bytes - 65536; }

// The permitted set written directly in bytes.
bool PermittedBytes(int code) {
  if (code >= 0) return (code >= '0' && code <= '9') || (code >= 'a' && code <= 'z');
  int u = code + 65536;
  int lead = u >> 8;
  int trail = u & 0xFF;
  bool trail_ok = (trail >= 0x40 && trail <= 0x7E) || (trail >= 0x80 && trail <= 0xFE);
  bool punctuation = u >= 0xA100 && u <= 0xA9FF;
  bool unassigned_block =
      ((lead >= 0xAA && lead <= 0xAF) || (lead >= 0xF8 && lead <= 0xFD)) && trail >= 0xA1;
  return u >= 0x8140 && trail_ok && !punctuation && u < 0xFEA1 && !unassigned_block &&
         !(u >= 0xD7FA && u <= 0xD7FE);
}

TEST(IsForbiddenNameCode, AgreesWithTheByteRangesForEveryCode) {
  for (int code = -32768; code <= 32767; ++code) {
    ASSERT_EQ(IsForbiddenNameCode(code), !PermittedBytes(code)) << code;
  }
}

TEST(IsForbiddenNameCode, Boundaries) {
  EXPECT_FALSE(IsForbiddenNameCode(Code(0xD7F9)));
  EXPECT_TRUE(IsForbiddenNameCode(Code(0xD7FA)));
  EXPECT_FALSE(IsForbiddenNameCode(Code(0x8140)));
  EXPECT_TRUE(IsForbiddenNameCode(Code(0x813F)));
  EXPECT_FALSE(IsForbiddenNameCode(Code(0xFEA0)));
  EXPECT_TRUE(IsForbiddenNameCode(Code(0xFEA1)));
  EXPECT_TRUE(IsForbiddenNameCode(Code(0xA1A1)));
  EXPECT_TRUE(IsForbiddenNameCode('A'));
}

TEST(IsRefusedName, LowerCaseLettersAndDigitsAreAccepted) {
  std::string enable;
  EXPECT_FALSE(IsRefusedName("abc123", "", enable));
}

TEST(IsRefusedName, ChineseNamesAreAccepted) {
  std::string enable;
  EXPECT_FALSE(IsRefusedName("座丂中文", "", enable));
}

TEST(IsRefusedName, CapitalsAndSymbolsAreRefusedUnlessListed) {
  std::string enable;
  for (const char* name : {"Abc", "a_b", "a-b", "a b"}) {
    EXPECT_TRUE(IsRefusedName(name, "", enable)) << name;
  }
  enable = " A _ - ";
  EXPECT_FALSE(IsRefusedName("Abc_d-e", "", enable));
  EXPECT_EQ(enable, "A_-");
}

TEST(IsRefusedName, BlanksAndPeriodsCanNeverBePermitted) {
  std::string enable = "a . b";
  EXPECT_TRUE(IsRefusedName("x.y", "", enable));
  EXPECT_TRUE(IsRefusedName("x y", "", enable));
  EXPECT_EQ(enable, "ab");
}

TEST(IsRefusedName, FullWidthSpaceAndLettersAreRefused) {
  std::string enable;
  EXPECT_TRUE(IsRefusedName("a\u3000b", "", enable));
  EXPECT_TRUE(IsRefusedName("ａ", "", enable));
  EXPECT_TRUE(IsRefusedName("a😀", "", enable));
}

TEST(IsRefusedName, ListedFullWidthCharacterIsPermitted) {
  std::string enable = "　";  // U+3000 is no blank to trimming
  EXPECT_FALSE(IsRefusedName("a\u3000b", "", enable));
}

TEST(IsRefusedName, FilteredWordRefusesAndLeavesTheExtrasAlone) {
  std::string enable = " A ";
  EXPECT_TRUE(IsRefusedName("theadmin", "root,admin", enable));
  EXPECT_EQ(enable, " A ");
}

TEST(IsRefusedName, FilteredWordsAreCaseSensitive) {
  std::string enable;
  EXPECT_FALSE(IsRefusedName("admin", "ADMIN", enable));
}

TEST(IsRefusedName, EmptyWordsInTheListRefuseNothing) {
  std::string enable;
  EXPECT_FALSE(IsRefusedName("abc", ",root,,admin,", enable));
  EXPECT_TRUE(IsRefusedName("myroot", ",root,,admin,", enable));
}

TEST(NameLength, CountsDoubleByteCharactersTwice) {
  EXPECT_EQ(NameLength("abc"), 3);
  EXPECT_EQ(NameLength("中文1"), 5);
  EXPECT_EQ(NameLength("a😀"), 2);
  EXPECT_EQ(NameLength(""), 0);
}

TEST(NameCheckMembers, ChuserUsesTheObjectsWordList) {
  ManualClock clock;
  lumochat chat(clock);
  std::string enable = "";
  chat.FilterStr = "guest";
  EXPECT_TRUE(chat.Chuser("guest1", enable));
  EXPECT_FALSE(chat.Chuser("visitor1", enable));
  EXPECT_EQ(chat.len_ch("中a"), 3);
}

}  // namespace
}  // namespace ravochat::text
