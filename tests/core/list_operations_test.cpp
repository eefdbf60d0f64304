// DelList, GetListValue and SetListValue on the list of records a (x, y) and b (u, v).
#include "core/list_operations.h"

#include <gtest/gtest.h>

#include "ravochat/error.h"

namespace ravochat::list_operations {
namespace {

const Value kList("<$a$>x$>y$><$a$><$b$>u$>v$><$b$>");
const Value kWords("<$r$>p q$>7$><$r$>");

TEST(ListOperations, GetListValueReadsAFieldAndTheEmptyElementBehindTheLast) {
  EXPECT_EQ(GetListValue(kList, Value("b"), Value(1)), "v");
  EXPECT_EQ(GetListValue(kList, Value("b"), Value(2)), "");
  EXPECT_EQ(GetListValue(kList, Value("a"), Value("0")), "x");
}

TEST(ListOperations, GetListValueBeyondTheFieldsIsAListKeyError) {
  EXPECT_THROW(GetListValue(kList, Value("b"), Value(3)), ListKeyError);
  EXPECT_THROW(GetListValue(kList, Value("b"), Value(-1)), ListKeyError);
  EXPECT_THROW(GetListValue(kList, Value("b"), Value("one")), ConversionError);
}

TEST(ListOperations, DelListRemovesTheWholeRecord) {
  std::string without_a = DelList(kList, Value("a"));
  EXPECT_EQ(without_a, "<$b$>u$>v$><$b$>");
  EXPECT_EQ(DelList(Value(without_a), Value("b")), "");
}

TEST(ListOperations, EveryOperationOnAMissingKeyIsAListKeyError) {
  EXPECT_THROW(DelList(Value(""), Value("a")), ListKeyError);
  EXPECT_THROW(GetListValue(Value(), Value("a"), Value(0)), ListKeyError);
  EXPECT_THROW(SetListValue(kList, Value("c"), Value(0), Value("z"), Value(0)), ListKeyError);
  try {
    DelList(kList, Value("王五"));
    FAIL();
  } catch (const ListKeyError& e) {
    EXPECT_NE(std::string(e.what()).find("王五"), std::string::npos);
  }
}

TEST(ListOperations, ModeZeroReplacesTheField) {
  EXPECT_EQ(SetListValue(kList, Value("a"), Value(1), Value("z"), Value(0)),
            "<$a$>x$>z$><$a$><$b$>u$>v$><$b$>");
}

TEST(ListOperations, ModeOneAddsAWordOnce) {
  EXPECT_EQ(SetListValue(kWords, Value("r"), Value(0), Value("r"), Value(1)),
            "<$r$>p q r$>7$><$r$>");
  EXPECT_EQ(SetListValue(kWords, Value("r"), Value(0), Value("q"), Value("1")),
            "<$r$>p q$>7$><$r$>");
  EXPECT_EQ(SetListValue(Value("<$r$>$><$r$>"), Value("r"), Value(0), Value("r"), Value(1)),
            "<$r$> r$><$r$>");
}

TEST(ListOperations, ModeMinusOneRemovesAWord) {
  EXPECT_EQ(SetListValue(kWords, Value("r"), Value(0), Value("p"), Value(-1)), "<$r$>q$>7$><$r$>");
  EXPECT_EQ(SetListValue(kWords, Value("r"), Value(0), Value("x"), Value(-1)),
            "<$r$>p q$>7$><$r$>");
}

TEST(ListOperations, OtherModesAddANumber) {
  EXPECT_EQ(SetListValue(kWords, Value("r"), Value(1), Value(3), Value(2)), "<$r$>p q$>10$><$r$>");
  EXPECT_EQ(SetListValue(kWords, Value("r"), Value(1), Value("-10"), Value(5)),
            "<$r$>p q$>-3$><$r$>");
  EXPECT_EQ(SetListValue(kWords, Value("r"), Value(1), Value(2.5), Value(0.5)),
            "<$r$>p q$>9$><$r$>");
}

TEST(ListOperations, TheNumericModeRefusesTextAndLargeAddends) {
  EXPECT_THROW(SetListValue(kWords, Value("r"), Value(0), Value(1), Value(2)), ConversionError);
  EXPECT_THROW(SetListValue(kWords, Value("r"), Value(1), Value(32768), Value(2)), OverflowError);
}

TEST(ListOperations, TheSecondChangeSeesTheFirstAndHasNoNumericMode) {
  EXPECT_EQ(SetListValue(kWords, Value("r"), Value(0), Value("s"), Value(0), Value(0), Value("t"),
                         Value(2)),
            "<$r$>s t$>7$><$r$>");
  EXPECT_EQ(SetListValue(kWords, Value("r"), Value(1), Value(1), Value(2), Value(0), Value("p"),
                         Value(-1)),
            "<$r$>q$>8$><$r$>");
}

TEST(ListOperations, WritingBehindTheLastFieldIsAListKeyError) {
  // The element behind the last field carries the record's closing "$>"; writing it
  // would glue the record to its closing marker.
  EXPECT_THROW(SetListValue(kList, Value("a"), Value(2), Value("z"), Value(0)), ListKeyError);
  EXPECT_THROW(SetListValue(kList, Value("a"), Value(0), Value("z"), Value(0), Value(2)),
               ListKeyError);
}

}  // namespace
}  // namespace ravochat::list_operations
