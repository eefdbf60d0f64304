// GBK codes and transcoding at the edge.
#include "text/gbk.h"

#include <gtest/gtest.h>

namespace ravochat::text {
namespace {

TEST(GbkCode, SingleByteIsItsByteAndDoubleByteIsNegative) {
  EXPECT_EQ(GbkCode("a"), 97);
  EXPECT_EQ(GbkCode("€"), 128);  // the one single byte above ASCII
  EXPECT_EQ(GbkCode("中"), -10544);
  EXPECT_EQ(GbkCode("\u3000"), -24159);
  EXPECT_EQ(GbkCode("丂"), 0x8140 - 65536);
  EXPECT_EQ(GbkCodes("a中😀"), (std::vector<std::int16_t>{97, -10544, 63}));
  EXPECT_TRUE(GbkCodes("").empty());
}

TEST(Utf8ToGbk, UncarriedCharacterBecomesAReferenceAndABadByteAQuestionMark) {
  EXPECT_EQ(Utf8ToGbk("中a啊"), "\xD6\xD0\x61\xB0\xA1");
  EXPECT_EQ(Utf8ToGbk("a😀b中"), "a&#128512;b\xD6\xD0");
  EXPECT_EQ(Utf8ToGbk("\u20A9"), "&#8361;");
  EXPECT_EQ(Utf8ToGbk("a\xFF中\xE4"), "a?\xD6\xD0?");
}

TEST(GbkToUtf8, InvalidOrCutByteBecomesReplacementCharacterAndRoundTripsKeepText) {
  EXPECT_EQ(GbkToUtf8("\xD6\xD0\x61\xB0\xA1\xA1\xA1"), "中a啊\u3000");
  EXPECT_EQ(GbkToUtf8("a\xFF\x62"), "a\uFFFDb");
  EXPECT_EQ(GbkToUtf8("\xD7\xFA"), "\uFFFD\uFFFD");
  EXPECT_EQ(GbkToUtf8("a\xD6"), "a\uFFFD");
  // A round trip keeps GBK text of any length.
  std::string text = "聊天室 chat 【系统】！";
  EXPECT_EQ(GbkToUtf8(Utf8ToGbk(text)), text);
  // The odd first byte puts double-byte characters across every power-of-two offset.
  text = "a";
  for (int i = 0; i < 3000; ++i) text += "中";
  std::string gbk = Utf8ToGbk(text);
  EXPECT_EQ(gbk.size(), 6001u);
  EXPECT_EQ(GbkToUtf8(gbk), text);
}

TEST(DecodeForeignReferences, OnlyReferencesToCharactersGbkCannotCarryAreDecoded) {
  const struct {
    std::string_view in, out;
  } cases[] = {
      {"表情&#128512; a<b", "表情😀 a<b"},
      {"&#x1F600;&#X1f600;", "😀😀"},
      {"&#8361;x&#128512;", "\u20A9x😀"},
      {"&#60;&#20013;&#x41;", "&#60;&#20013;&#x41;"},  // "<", "中", "A" stay as typed
      {"&#128512&#;&#x;&#0;&#55357;&#1114112;&", "&#128512&#;&#x;&#0;&#55357;&#1114112;&"},
      {"&&#128512;", "&😀"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeForeignReferences(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace ravochat::text
