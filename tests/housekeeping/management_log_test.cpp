// The management log text, the bracketed name lists and the run switches of housekeeping.
#include "housekeeping/management_log.h"

#include <gtest/gtest.h>

#include "housekeeping/routine_inputs.h"
#include "ravochat/error.h"

namespace ravochat::housekeeping {
namespace {

TEST(ManagementLog, TextHasSevenFieldsAroundTheNames) {
  EXPECT_EQ(LogText("[a,b]", kRoomExpiredTail),
            "系统>系统> >[a,b]>自动> 由于人气不旺被系统自动清除！>清除房间%%");
}

TEST(RoutineInputs, OnlyTheNumberOneApplies) {
  EXPECT_TRUE(IsApplyMode(1));
  EXPECT_TRUE(IsApplyMode(" 1 "));
  EXPECT_TRUE(IsApplyMode(1.0));
  EXPECT_FALSE(IsApplyMode(Value()));
  EXPECT_FALSE(IsApplyMode(""));
  EXPECT_FALSE(IsApplyMode("yes"));
  EXPECT_FALSE(IsApplyMode(0));
  EXPECT_FALSE(IsApplyMode(11));
}

TEST(RoutineInputs, NumericLimitsBecomeNumbersToBind) {
  EXPECT_EQ(NumericLimit("30", "limit"), Value(30));
  EXPECT_EQ(NumericLimit(" 2.5 ", "limit"), Value(2.5));
  EXPECT_EQ(NumericLimit("&H10", "limit"), Value(16));
}

TEST(RoutineInputs, LimitsThatAreNotNumbersAreRefusedByName) {
  EXPECT_THROW(NumericLimit(Value(), "limit"), ConversionError);
  EXPECT_THROW(NumericLimit(Value::Null(), "limit"), ConversionError);
  EXPECT_THROW(NumericLimit("1e999", "limit"), ConversionError);
  try {
    NumericLimit("7 days", "_usernametimeout");
    FAIL();
  } catch (const ConversionError& e) {
    EXPECT_STREQ(e.what(), "_usernametimeout is not a number: '7 days'");
  }
}

}  // namespace
}  // namespace ravochat::housekeeping
