// User-name rules: forbidden words, the permitted code set, and name lengths.
#include "text/name_check.h"

#include <gtest/gtest.h>

#include "ravochat/lumochat.h"

namespace ravochat::text {
namespace {

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

TEST(IsRefusedName, ForbiddenCharactersAreRefusedUnlessListedButBlanksAndPeriodsAlways) {
  std::string enable;
  for (const char* name : {"abc123", "座丂中文"}) {
    EXPECT_FALSE(IsRefusedName(name, "", enable)) << name;
  }
  for (const char* name : {"Abc", "a_b", "a-b", "a b", "a\u3000b", "ａ", "a😀"}) {
    EXPECT_TRUE(IsRefusedName(name, "", enable)) << name;
  }
  // Listed characters are permitted, except blanks and periods.
  enable = " A _ - ";
  EXPECT_FALSE(IsRefusedName("Abc_d-e", "", enable));
  EXPECT_EQ(enable, "A_-");
  enable = "　";  // U+3000 is no blank to trimming
  EXPECT_FALSE(IsRefusedName("a\u3000b", "", enable));
  enable = "a . b";
  EXPECT_TRUE(IsRefusedName("x.y", "", enable));
  EXPECT_TRUE(IsRefusedName("x y", "", enable));
  EXPECT_EQ(enable, "ab");
}

TEST(IsRefusedName, NonEmptyFilteredWordRefusesCaseSensitivelyAndLeavesTheExtrasAlone) {
  std::string enable = " A ";
  EXPECT_TRUE(IsRefusedName("theadmin", "root,admin", enable));
  EXPECT_EQ(enable, " A ");
  EXPECT_FALSE(IsRefusedName("admin", "ADMIN", enable));
  EXPECT_FALSE(IsRefusedName("abc", ",root,,admin,", enable));
  EXPECT_TRUE(IsRefusedName("myroot", ",root,,admin,", enable));
}

TEST(NameCheckMembers, ChuserUsesTheObjectsWordListAndLenChCountsDoubleBytesTwice) {
  ManualClock clock;
  lumochat chat(clock);
  std::string enable;
  chat.FilterStr = "guest";
  EXPECT_TRUE(chat.Chuser("guest1", enable));
  EXPECT_FALSE(chat.Chuser("visitor1", enable));
  EXPECT_EQ(chat.len_ch("中文1"), 5);
  EXPECT_EQ(chat.len_ch("a😀"), 2);  // a character GBK lacks counts once
  EXPECT_EQ(chat.len_ch(""), 0);
}

}  // namespace
}  // namespace ravochat::text
