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

TEST(TimeText, PadsEachPartToTwoDigits) {
  EXPECT_EQ(TimeText(At(2026, 12, 6, 9, 5, 7)), "09:05:07");
  EXPECT_EQ(TimeText(At(2026, 12, 6, 23, 59, 59)), "23:59:59");
  EXPECT_EQ(TimeText(At(2026, 12, 7)), "00:00:00");
}

TEST(DateText, PadsMonthAndDay) {
  EXPECT_EQ(DateText(At(2026, 3, 1)), "2026-03-01");
  EXPECT_EQ(DateText(At(2026, 12, 31, 23, 59, 59)), "2026-12-31");
}

class DateMembers : public ::testing::Test {
 protected:
  ManualClock clock_{At(2026, 12, 6, 9, 5, 7)};
  lumochat chat_{clock_};
};

TEST_F(DateMembers, MissingArgumentsReadTheClock) {
  EXPECT_EQ(chat_.GetTimeStr(), "09:05:07");
  EXPECT_EQ(chat_.GetDateStr(), "2026-12-06");
  EXPECT_EQ(chat_.AllDateStr(), Value("2026-12-06 09:05:07"));
  clock_.Advance(86400 + 3600);
  EXPECT_EQ(chat_.AllDateStr(), Value("2026-12-07 10:05:07"));
}

TEST_F(DateMembers, TextArgumentsAreReadAsDates) {
  EXPECT_EQ(chat_.GetTimeStr(Value("2025-01-02 08:09:57")), "08:09:57");
  EXPECT_EQ(chat_.GetDateStr(Value("2025/1/2")), "2025-01-02");
  EXPECT_EQ(chat_.GetTimeStr(Value(At(2025, 1, 2, 13, 0, 1))), "13:00:01");
}

TEST_F(DateMembers, AllDateStrOfADateAloneEndsAtMidnight) {
  EXPECT_EQ(chat_.AllDateStr(Value("2026-12-6")), Value("2026-12-06 00:00:00"));
}

TEST_F(DateMembers, AllDateStrReturnsANonDateUnchanged) {
  EXPECT_EQ(chat_.AllDateStr(Value("hello")), Value("hello"));
  EXPECT_EQ(chat_.AllDateStr(Value("")), Value(""));
}

TEST_F(DateMembers, NonDateIsAConversionErrorForTimeAndDate) {
  EXPECT_THROW(chat_.GetTimeStr(Value("hello")), ConversionError);
  EXPECT_THROW(chat_.GetDateStr(Value("2026-13-01")), ConversionError);
}

}  // namespace
}  // namespace ravochat::text
