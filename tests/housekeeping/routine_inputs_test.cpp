// The run switch and the numeric limits the housekeeping routines are given.
#include <gtest/gtest.h>

#include "housekeeping/routine_inputs.h"
#include "ravochat/error.h"
#include "support/error_text.h"

namespace ravochat::housekeeping {
namespace {

TEST(RoutineInputs, OnlyTheNumberOneApplies) {
  for (const Value& apply : {Value(1), Value(" 1 "), Value(1.0)}) EXPECT_TRUE(IsApplyMode(apply));
  for (const Value& preview : {Value(), Value(""), Value("yes"), Value(0), Value(11)}) {
    EXPECT_FALSE(IsApplyMode(preview));
  }
}

TEST(RoutineInputs, NumericLimitsBecomeNumbersToBindAndOthersAreRefusedByName) {
  EXPECT_EQ(NumericLimit("30", "limit"), Value(30));
  EXPECT_EQ(NumericLimit(" 2.5 ", "limit"), Value(2.5));
  EXPECT_EQ(NumericLimit("&H10", "limit"), Value(16));
  for (const Value& bad : {Value(), Value::Null(), Value(""), Value("1e999")}) {
    EXPECT_THROW(NumericLimit(bad, "limit"), ConversionError);
  }
  EXPECT_EQ(testing::ErrorText<ConversionError>([] { NumericLimit("7 days", "_usernametimeout"); }),
            "_usernametimeout is not a number: '7 days'");
}

}  // namespace
}  // namespace ravochat::housekeeping
