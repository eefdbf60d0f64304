// Time and date texts of given values and of the clock's present.
#include "text/date_strings.h"

#include <gtest/gtest.h>

#include "core/convert.h"
#include "ravochat/error.h"
#include "ravochat/lumochat.h"

namespace ravochat::text {
namespace {

Date At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
  return convert::FromCivil({year, month, day, hour, minute, second});
}

class DateMembers : public ::testing::Test {
 protected:
  ManualClock clock_{At(2026, 12, 6, 9, 5, 7)};
  lumochat chat_{clock_};
};

TEST_F(DateMembers, ArgumentsAreReadAsDatesMissingOnesReadTheClockAndOthersAreErrors) {
  EXPECT_EQ(chat_.GetTimeStr(Value("2025-01-02 08:09:57")), "08:09:57");
  EXPECT_EQ(chat_.GetDateStr(Value("2025/1/2")), "2025-01-02");
  EXPECT_EQ(chat_.GetTimeStr(Value(At(2025, 1, 2, 23, 0, 59))), "23:00:59");
  EXPECT_EQ(chat_.AllDateStr(Value("2026-12-6")), Value("2026-12-06 00:00:00"));
  EXPECT_EQ(chat_.GetTimeStr(), "09:05:07");
  EXPECT_EQ(chat_.GetDateStr(), "2026-12-06");
  clock_.Advance(86400 + 3600);
  EXPECT_EQ(chat_.AllDateStr(), Value("2026-12-07 10:05:07"));
  // What is no date is an error, but for AllDateStr.
  EXPECT_THROW(chat_.GetTimeStr(Value("hello")), ConversionError);
  EXPECT_THROW(chat_.GetDateStr(Value("2026-13-01")), ConversionError);
  EXPECT_EQ(chat_.AllDateStr(Value("hello")), Value("hello"));
  EXPECT_EQ(chat_.AllDateStr(Value("")), Value(""));
}

}  // namespace
}  // namespace ravochat::text
