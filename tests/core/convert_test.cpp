// Conversions with the classic runtime's rules that stored data and pages depend on.
#include "core/convert.h"

#include <gtest/gtest.h>

#include "ravochat/error.h"
#include "support/error_text.h"

namespace ravochat::convert {
namespace {

Date At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  return FromCivil({y, mo, d, h, mi, s});
}

TEST(ConvertNumbers, WholeNumbersRoundHalfToEvenWithinTheirRangeAndOthersAreAMismatch) {
  EXPECT_EQ(ToInt16(0.5), 0);
  EXPECT_EQ(ToInt16(1.5), 2);
  EXPECT_EQ(ToInt16(-2.5), -2);
  EXPECT_EQ(ToInt32("3.5"), 4);
  EXPECT_EQ(ToInt32(2.5000001), 3);
  EXPECT_EQ(ToInt16(Value()), 0);
  EXPECT_EQ(ToInt16(true), -1);
  EXPECT_EQ(ToInt16(-32768.5), -32768);
  EXPECT_THROW(ToInt16(32767.5), OverflowError);
  EXPECT_THROW(ToInt16(-32768.6), OverflowError);
  EXPECT_EQ(ToInt32(-2147483648.0), -2147483647 - 1);
  EXPECT_THROW(ToInt32(2147483648.0), OverflowError);
  EXPECT_THROW(ToDouble("1e400"), OverflowError);
  EXPECT_EQ(ToDouble("1e-400"), 0);
  // Values that are no numbers are a type mismatch naming the value.
  EXPECT_THROW(ToDouble(Value::Null()), ConversionError);
  EXPECT_THROW(ToDouble(Value::Array(1)), ConversionError);
  EXPECT_EQ(testing::ErrorText<ConversionError>([] { ToInt16("abc"); }),
            "type mismatch: \"abc\" is not a number");
}

TEST(ConvertNumbers, NumericTextAcceptsBlanksSignsExponentsHexAndOctal) {
  EXPECT_EQ(ToDouble("  -12.5  "), -12.5);
  EXPECT_EQ(ToDouble("+.5"), 0.5);
  EXPECT_EQ(ToDouble("5."), 5);
  EXPECT_EQ(ToDouble("2.5E-1"), 0.25);
  EXPECT_EQ(ToDouble("&H1F"), 31);
  EXPECT_EQ(ToDouble("&o17"), 15);
  EXPECT_EQ(ToDouble("&HFFFF"), -1);
  EXPECT_EQ(ToDouble("&H10000"), 65536);
  for (const char* text :
       {"", " ", ".", "1e", "e3", "1.2.3", "1 2", "--1", "&H", "&HG", "&O8", "0x10", "1,000"}) {
    EXPECT_FALSE(IsNumericText(text)) << text;
  }
  EXPECT_TRUE(IsNumeric(Value()));
  EXPECT_FALSE(IsNumeric(Value::Null()));
  EXPECT_FALSE(IsNumeric(Date{}));
}

TEST(ConvertNumbers, DivisionRoundsOperandsAndTheRemainderTakesTheDividendsSign) {
  EXPECT_EQ(IntDiv(-7, 2), -3);
  EXPECT_EQ(IntDiv(49.5, 1), 50);
  EXPECT_EQ(IntDiv(7, 2.5), 3);
  EXPECT_THROW(IntDiv(1, 0.4), DivisionByZeroError);
  EXPECT_THROW(IntDiv(-2147483647 - 1, -1), OverflowError);
  EXPECT_EQ(Mod(-9, 5), -4);
  EXPECT_EQ(Mod(10.5, 3), 1);
  EXPECT_EQ(Mod(-2147483647 - 1, -1), 0);
  EXPECT_THROW(Mod(3, 0), DivisionByZeroError);
}

TEST(ConvertText, EveryKindHasItsRuntimeText) {
  EXPECT_EQ(ToText(Value(1e20)), "1E+20");
  EXPECT_EQ(ToText(Value(0.0001)), "0.0001");
  EXPECT_EQ(ToText(Value(0.00001)), "1E-05");
  EXPECT_EQ(ToText(Value(1.0 / 3)), "0.333333333333333");
  EXPECT_EQ(ToText(Value(0.1 + 0.2)), "0.3");
  EXPECT_EQ(ToText(Value(123456789012345.0)), "123456789012345");
  EXPECT_EQ(ToText(Value(-0.0)), "0");
  EXPECT_EQ(ToText(Value(true)), "True");
  // Plain doubles and bools take the value form, never the whole-number one.
  EXPECT_EQ(ToText(10.5), "10.5");
  EXPECT_EQ(ToText(true), "True");
  EXPECT_EQ(ToText(-7), "-7");
  EXPECT_EQ(ToText(Value::Null()), "");
  EXPECT_EQ(ToText(Value(At(2026, 12, 6, 8, 9, 57))), "2026-12-06 08:09:57");
  EXPECT_THROW(ToText(Value::MakeGrid(1, 1)), ConversionError);
}

TEST(ConvertDates, CivilTimeRoundTripsAroundTheBaseDate) {
  EXPECT_EQ(At(1899, 12, 31).seconds, 86400);
  EXPECT_EQ(DateToText(Date{-1}), "1899-12-29 23:59:59");
  EXPECT_EQ(DateToText(At(2000, 2, 29, 12, 0, 1)), "2000-02-29 12:00:01");
  // The runtime's day number of 2026-12-06 is 46362.
  EXPECT_EQ(ToDouble(At(2026, 12, 6, 12)), 46362.5);
}

TEST(ConvertDates, ParseDateReadsTheStoredFormAndItsShortFormsOnly) {
  Date d;
  for (auto [text, date] : {std::pair{"2026-12-06 08:09:57", At(2026, 12, 6, 8, 9, 57)},
                            {"2026/12/6", At(2026, 12, 6)},
                            {" 8:09:57 ", At(1899, 12, 30, 8, 9, 57)},
                            {"08:09", At(1899, 12, 30, 8, 9)}}) {
    ASSERT_TRUE(ParseDate(text, d)) << text;
    EXPECT_EQ(d, date) << text;
  }
  for (const char* text :
       {"", "abc", "2026-13-01", "2026-02-29", "2026-12-06 24:00:00", "8:60", "2026-12-06T08:09:57",
        "2026-12/06", "26-12-06", "12", "2026-12-06 08", "8:09:57 PM"}) {
    EXPECT_FALSE(ParseDate(text, d)) << text;
  }
  EXPECT_THROW(ToDate("soon"), ConversionError);
  EXPECT_FALSE(IsDate(46362));
}

TEST(ConvertDates, DateDiffCountsBoundariesCrossed) {
  EXPECT_EQ(DateDiff(Interval::kDay, At(2026, 12, 6, 23, 59), At(2026, 12, 7, 0, 1)), 1);
  EXPECT_EQ(DateDiff(Interval::kDay, At(2026, 12, 6, 0, 1), At(2026, 12, 6, 23, 59)), 0);
  EXPECT_EQ(DateDiff(Interval::kDay, At(2026, 12, 7, 0, 1), At(2026, 12, 6, 23, 59)), -1);
  EXPECT_EQ(DateDiff(Interval::kDay, At(1899, 12, 29, 23), At(1899, 12, 30, 1)), 1);
  EXPECT_EQ(DateDiff(Interval::kMinute, At(2026, 1, 1, 10, 0, 59), At(2026, 1, 1, 10, 1, 0)), 1);
  EXPECT_EQ(DateDiff(Interval::kHour, At(2026, 1, 1, 10, 59, 59), At(2026, 1, 1, 11)), 1);
  EXPECT_EQ(DateDiff(Interval::kSecond, At(2026, 1, 1, 0, 0, 5), At(2026, 1, 1)), -5);
  EXPECT_EQ(IntervalFromLetter("N"), Interval::kMinute);
  EXPECT_THROW(IntervalFromLetter("m"), ConversionError);
}

}  // namespace
}  // namespace ravochat::convert
