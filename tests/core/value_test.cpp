// Value: arrays are shared until one holder changes them.
#include "ravochat/value.h"

#include <gtest/gtest.h>

#include "ravochat/error.h"

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

}  // namespace
}  // namespace ravochat
