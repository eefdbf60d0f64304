// Value: arrays are shared until one holder changes them; the snapshot encoding of values,
// exact round trips of every kind and damaged texts refused; and the comparison of secrets,
// equal only for the same text whatever the lengths.
#include "ravochat/value.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/value_codec.h"
#include "ravochat/error.h"
#include "ravochat/random_token.h"

namespace ravochat {
namespace {

TEST(Value, ChangingACopiedArrayLeavesTheOriginalAlone) {
  Value stored = Value::Array(3);
  Value copy = stored;
  copy.MutableElements()[1] = Value("x");
  EXPECT_TRUE(stored.Elements()[1].IsEmpty());
  EXPECT_EQ(copy.Elements()[1], Value("x"));

  Value grid = Value::MakeGrid(2, 6);
  Value grid_copy = grid;
  grid_copy.MutableAt(1, 5) = Value(7);
  EXPECT_TRUE(grid.At(1, 5).IsEmpty());
  EXPECT_EQ(grid_copy.At(1, 5), Value(7));
  const Value* cell = &grid_copy.At(0, 0);
  grid_copy.MutableAt(0, 0) = Value("a");
  EXPECT_EQ(cell, &grid_copy.At(0, 0)) << "an array held once is changed in place";

  // A long grid is copied a block of rows at a time: the rows around a change are its own.
  Value ring = Value::MakeGrid(100, 2);
  for (int row = 0; row < 100; ++row) ring.MutableAt(row, 0) = Value(row);
  Value later = ring;
  EXPECT_EQ(later, ring);
  later.MutableAt(70, 1) = Value("x");
  later.MutableAt(3, 0) = Value("y");
  later.MutableAt(99, 1) = Value("z");  // in the last block, which is not full
  EXPECT_NE(later, ring);
  EXPECT_EQ(later.GetGrid().DifferentRows(ring.GetGrid()), (std::vector<std::size_t>{3, 70, 99}));
  for (int row = 0; row < 100; ++row) {
    EXPECT_EQ(ring.At(row, 0), Value(row));
    EXPECT_TRUE(ring.At(row, 1).IsEmpty());
    EXPECT_EQ(later.At(row, 0), row == 3 ? Value("y") : Value(row));
  }
  later.MutableAt(70, 1) = Value();
  later.MutableAt(3, 0) = Value(3);
  later.MutableAt(99, 1) = Value();
  EXPECT_EQ(later, ring) << "equal rows in blocks of their own";
}

TEST(Value, AWrongIndexOrKindFails) {
  Value grid = Value::MakeGrid(2, 6);
  EXPECT_THROW(grid.At(2, 0), ListKeyError);
  EXPECT_THROW(grid.MutableAt(0, 6), ListKeyError);
  EXPECT_THROW(Value("abc").Elements(), ConversionError);
  EXPECT_THROW(Value("abc").GetGrid(), ConversionError);
}

TEST(Value, EqualityComparesKindAndContents) {
  EXPECT_EQ(Value::Array({Value(1), Value("a")}), Value::Array({Value(1), Value("a")}));
  EXPECT_NE(Value(1), Value(1.0));
  EXPECT_NE(Value(), Value::Null());
  EXPECT_NE(Value(""), Value());
}

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
    EXPECT_EQ(value_codec::EncodeValue(value), text);
    EXPECT_EQ(value_codec::DecodeValue(text), value) << text;
  }
}

TEST(ValueCodec, ADamagedTextIsAConversionError) {
  for (std::string_view text : {"", "x", "i12", "i;", "t5:abc", "t99999999999999999999:a", "a2:e",
                                "g2,2:eee", "g999999999,999999999:e", "b2", "ee", "t1:ab"}) {
    EXPECT_THROW(value_codec::DecodeValue(text), ConversionError) << text;
  }
}

TEST(SameSecret, OnlyTheSameTextIsTheSameSecret) {
  struct Case {
    std::string_view a, b;
    bool same;
  };
  for (const Case& c : {Case{"", "", true}, Case{"abc", "abc", true}, Case{"abc", "abd", false},
                        Case{"abc", "ab", false}, Case{"ab", "abc", false}, Case{"", "a", false},
                        Case{"Abc", "abc", false}}) {
    EXPECT_EQ(SameSecret(c.a, c.b), c.same) << c.a << " / " << c.b;
  }
}

}  // namespace
}  // namespace ravochat
