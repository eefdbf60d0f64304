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
}

TEST(Value, ChangingAGridCellOfACopyLeavesTheOriginalAlone) {
  Value stored = Value::MakeGrid(2, 6);
  Value copy = stored;
  copy.MutableAt(1, 5) = Value(7);
  EXPECT_TRUE(stored.At(1, 5).IsEmpty());
  EXPECT_EQ(copy.At(1, 5), Value(7));
}

TEST(Value, AnArrayHeldOnceIsChangedInPlace) {
  Value grid = Value::MakeGrid(2, 2);
  const Value* cell = &grid.At(0, 0);
  grid.MutableAt(0, 0) = Value("a");
  EXPECT_EQ(cell, &grid.At(0, 0));
}

TEST(Value, GridIndexOutOfRangeIsAListKeyError) {
  Value grid = Value::MakeGrid(2, 6);
  EXPECT_THROW(grid.At(2, 0), ListKeyError);
  EXPECT_THROW(grid.MutableAt(0, 6), ListKeyError);
}

TEST(Value, ArrayAccessOnTextIsAConversionError) {
  Value text("abc");
  EXPECT_THROW(text.Elements(), ConversionError);
  EXPECT_THROW(text.GetGrid(), ConversionError);
}

TEST(Value, EqualityComparesKindAndContents) {
  EXPECT_EQ(Value::Array({Value(1), Value("a")}), Value::Array({Value(1), Value("a")}));
  EXPECT_NE(Value(1), Value(1.0));
  EXPECT_NE(Value(), Value::Null());
  EXPECT_NE(Value(""), Value());
  EXPECT_EQ(Value(Date{5}), Value(Date{5}));
}

}  // namespace
}  // namespace ravochat
