// DelList, GetListValue and SetListValue on the list of records a (x, y) and b (u, v).
#include "core/list_operations.h"

#include <gtest/gtest.h>

#include "ravochat/error.h"
#include "support/error_text.h"

namespace ravochat::list_operations {
namespace {

const Value kList("<$a$>x$>y$><$a$><$b$>u$>v$><$b$>");
const Value kWords("<$r$>p q$>7$><$r$>");

TEST(ListOperations, GetListValueReadsAFieldAndTheEmptyElementBehindTheLastAndDelListARecord) {
  EXPECT_EQ(GetListValue(kList, "b", 1), "v");
  EXPECT_EQ(GetListValue(kList, "b", 2), "");
  EXPECT_EQ(GetListValue(kList, "a", "0"), "x");
  EXPECT_THROW(GetListValue(kList, "b", 3), ListKeyError);
  EXPECT_THROW(GetListValue(kList, "b", -1), ListKeyError);
  EXPECT_THROW(GetListValue(kList, "b", "one"), ConversionError);
  // DelList removes the whole record.
  EXPECT_EQ(DelList(kList, "a"), "<$b$>u$>v$><$b$>");
  EXPECT_EQ(DelList("<$b$>u$>v$><$b$>", "b"), "");
}

TEST(ListOperations, ModesReplaceAddOrRemoveAWordOrAddANumber) {
  EXPECT_EQ(SetListValue(kList, "a", 1, "z", 0), "<$a$>x$>z$><$a$><$b$>u$>v$><$b$>");
  EXPECT_EQ(SetListValue(kWords, "r", 0, "r", 1), "<$r$>p q r$>7$><$r$>");
  EXPECT_EQ(SetListValue(kWords, "r", 0, "q", "1"), "<$r$>p q$>7$><$r$>");
  EXPECT_EQ(SetListValue("<$r$>$><$r$>", "r", 0, "r", 1), "<$r$> r$><$r$>");
  EXPECT_EQ(SetListValue(kWords, "r", 0, "p", -1), "<$r$>q$>7$><$r$>");
  EXPECT_EQ(SetListValue(kWords, "r", 0, "x", -1), "<$r$>p q$>7$><$r$>");
  EXPECT_EQ(SetListValue(kWords, "r", 1, 3, 2), "<$r$>p q$>10$><$r$>");
  EXPECT_EQ(SetListValue(kWords, "r", 1, "-10", 5), "<$r$>p q$>-3$><$r$>");
  EXPECT_EQ(SetListValue(kWords, "r", 1, 2.5, 0.5), "<$r$>p q$>9$><$r$>");
}

TEST(ListOperations, TheNumericModeRefusesTextAndLargeAddendsAndNoFieldIsWrittenBehindTheLast) {
  EXPECT_THROW(SetListValue(kWords, "r", 0, 1, 2), ConversionError);
  EXPECT_THROW(SetListValue(kWords, "r", 1, 32768, 2), OverflowError);
  // The element behind the last field carries the record's closing "$>"; writing it
  // would glue the record to its closing marker.
  EXPECT_THROW(SetListValue(kList, "a", 2, "z", 0), ListKeyError);
  EXPECT_EQ(testing::ErrorText<ListKeyError>([] { SetListValue(kList, "a", 0, "z", 0, 2); }),
            "the record of key \"a\" has no field 2");
}

TEST(ListOperations, TheSecondChangeSeesTheFirstAndHasNoNumericMode) {
  EXPECT_EQ(SetListValue(kWords, "r", 0, "s", 0, 0, "t", 2), "<$r$>s t$>7$><$r$>");
  EXPECT_EQ(SetListValue(kWords, "r", 1, 1, 2, 0, "p", -1), "<$r$>q$>8$><$r$>");
}

}  // namespace
}  // namespace ravochat::list_operations
