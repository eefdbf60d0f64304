// GBK codes and transcoding at the edge.
#include "text/gbk.h"

#include <gtest/gtest.h>

namespace ravochat::text {
namespace {

TEST(GbkCode, AsciiCharacterIsItsByte) {
  EXPECT_EQ(GbkCode("a"), 97);
  EXPECT_EQ(GbkCode(" "), 32);
  EXPECT_EQ(GbkCode("€"), 128);  // the one single byte above ASCII
}

TEST(GbkCode, DoubleByteCharacterIsNegative) {
  EXPECT_EQ(GbkCode("中"), -10544);
  EXPECT_EQ(GbkCode("啊"), -20319);
  EXPECT_EQ(GbkCode("\u3000"), -24159);
  EXPECT_EQ(GbkCode("丂"), 0x8140 - 65536);
}

TEST(GbkCode, CodesListOneCodePerCharacter) {
  EXPECT_EQ(GbkCodes("a中😀"), (std::vector<std::int16_t>{97, -10544, 63}));
  EXPECT_TRUE(GbkCodes("").empty());
}

TEST(Utf8ToGbk, ChineseBecomesDoubleBytes) {
  EXPECT_EQ(Utf8ToGbk("中a啊"),
            "\xD6\xD0"
            "a\xB0\xA1");
}

TEST(Utf8ToGbk, CharacterGbkCannotCarryBecomesAReference) {
  EXPECT_EQ(Utf8ToGbk("a😀b中"), "a&#128512;b\xD6\xD0");
  EXPECT_EQ(Utf8ToGbk("\u20A9"), "&#8361;");
}

TEST(Utf8ToGbk, ByteThatIsNotUtf8BecomesQuestionMark) {
  EXPECT_EQ(Utf8ToGbk("a\xFF中\xE4"), "a?\xD6\xD0?");
}

TEST(GbkToUtf8, DoubleBytesBecomeChinese) {
  EXPECT_EQ(GbkToUtf8("\xD6\xD0"
                      "a\xB0\xA1\xA1\xA1"),
            "中a啊\u3000");
}

TEST(GbkToUtf8, InvalidByteBecomesReplacementCharacter) {
  EXPECT_EQ(GbkToUtf8("a\xFF"
                      "b"),
            "a\uFFFD"
            "b");
  EXPECT_EQ(GbkToUtf8("\xD7\xFA"), "\uFFFD\uFFFD");
}

TEST(GbkToUtf8, LeadByteAtTheEndBecomesReplacementCharacter) {
  EXPECT_EQ(GbkToUtf8("a\xD6"), "a\uFFFD");
}

TEST(GbkToUtf8, RoundTripKeepsGbkText) {
  std::string text = "聊天室 chat 【系统】！";
  EXPECT_EQ(GbkToUtf8(Utf8ToGbk(text)), text);
}

TEST(GbkToUtf8, RoundTripKeepsCharactersAcrossLongTexts) {
  // The odd first byte puts double-byte characters across every power-of-two offset.
  std::string text = "a";
  for (int i = 0; i < 3000; ++i) text += "中";
  std::string gbk = Utf8ToGbk(text);
  EXPECT_EQ(gbk.size(), 6001u);
  EXPECT_EQ(GbkToUtf8(gbk), text);
}

}  // namespace
}  // namespace ravochat::text
