// The snapshot encoding of values: exact round trips of every kind, and damaged texts refused.
#include "core/value_codec.h"

#include <gtest/gtest.h>

#include "ravochat/error.h"

namespace ravochat::value_codec {
namespace {

TEST(ValueCodec, EveryKindComesBackExactly) {
  Value grid = Value::MakeGrid(2, 3);
  grid.MutableAt(0, 0) = Value(7);
  grid.MutableAt(1, 2) = Value("大家:好;");
  const std::vector<std::pair<Value, std::string>> cases = {
      {Value(), "e"},
      {Value::Null(), "n"},
      {Value(true), "b1"},
      {Value(false), "b0"},
      {Value(-42), "i-42;"},
      {Value(0.1), "f0.1;"},
      {Value(-1e300), "f-1e+300;"},
      {Value(Date{3'974'100'000}), "d3974100000;"},
      {Value(""), "t0:"},
      {Value("a:b"), "t3:a:b"},
      {Value::Array({Value(1), Value::Array({Value("x")}), Value()}), "a3:i1;a1:t1:xe"},
      {grid, "g2,3:i7;eeeet11:大家:好;"},
  };
  for (const auto& [value, text] : cases) {
    EXPECT_EQ(EncodeValue(value), text);
    EXPECT_EQ(DecodeValue(text), value) << text;
  }
}

TEST(ValueCodec, ADamagedTextIsAConversionError) {
  for (std::string_view text : {"", "x", "i12", "i;", "t5:abc", "t99999999999999999999:a", "a2:e",
                                "g2,2:eee", "g999999999,999999999:e", "b2", "ee", "t1:ab"}) {
    EXPECT_THROW(DecodeValue(text), ConversionError) << text;
  }
}

}  // namespace
}  // namespace ravochat::value_codec
