// Conversions with the classic runtime's rules that stored data and pages depend on.
#include "core/convert.h"

#include <gtest/gtest.h>

#include "ravochat/error.h"

namespace ravochat::convert {
namespace {

Date At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  return FromCivil({y, mo, d, h, mi, s});
}

TEST(ConvertNumbers, WholeNumbersRoundHalfToEven) {
  EXPECT_EQ(ToInt16(Value(0.5)), 0);
  EXPECT_EQ(ToInt16(Value(1.5)), 2);
  EXPECT_EQ(ToInt16(Value(2.5)), 2);
  EXPECT_EQ(ToInt16(Value(-2.5)), -2);
  EXPECT_EQ(ToInt32(Value("3.5")), 4);
  EXPECT_EQ(ToInt32(Value(2.5000001)), 3);
}

TEST(ConvertNumbers, SixteenBitRangeEndsAt32767) {
  EXPECT_EQ(ToInt16(Value(32767)), 32767);
  EXPECT_EQ(ToInt16(Value(-32768)), -32768);
  EXPECT_EQ(ToInt16(Value(-32768.5)), -32768);
  EXPECT_THROW(ToInt16(Value(32767.5)), OverflowError);
}

TEST(ConvertNumbers, OutOfRangeIsAnOverflowError) {
  EXPECT_THROW(ToInt16(Value(32768)), OverflowError);
  EXPECT_THROW(ToInt16(Value(-32768.6)), OverflowError);
  EXPECT_THROW(ToInt32(Value(2147483648.0)), OverflowError);
  EXPECT_EQ(ToInt32(Value(-2147483648.0)), -2147483647 - 1);
}

TEST(ConvertNumbers, NonNumericTextIsATypeMismatch) {
  EXPECT_THROW(ToInt16(Value("abc")), ConversionError);
  EXPECT_THROW(ToDouble(Value("")), ConversionError);
  EXPECT_THROW(ToDouble(Value::Null()), ConversionError);
  EXPECT_THROW(ToDouble(Value::Array(1)), ConversionError);
  try {
    ToInt16(Value("abc"));
  } catch (const OverflowError&) {
    FAIL() << "a type mismatch is not an overflow";
  } catch (const ConversionError& e) {
    EXPECT_NE(std::string(e.what()).find("\"abc\""), std::string::npos);
  }
}

TEST(ConvertNumbers, EmptyIsZeroAndTrueIsMinusOne) {
  EXPECT_EQ(ToDouble(Value()), 0);
  EXPECT_EQ(ToInt16(Value(true)), -1);
  EXPECT_EQ(ToInt16(Value(false)), 0);
}

TEST(ConvertNumbers, NumericTextAcceptsBlanksSignsExponentsHexAndOctal) {
  EXPECT_EQ(ToDouble(Value("  -12.5  ")), -12.5);
  EXPECT_EQ(ToDouble(Value("+.5")), 0.5);
  EXPECT_EQ(ToDouble(Value("5.")), 5);
  EXPECT_EQ(ToDouble(Value("1e3")), 1000);
  EXPECT_EQ(ToDouble(Value("2.5E-1")), 0.25);
  EXPECT_EQ(ToDouble(Value("&H1F")), 31);
  EXPECT_EQ(ToDouble(Value("&o17")), 15);
  EXPECT_EQ(ToDouble(Value("&HFFFF")), -1);
  EXPECT_EQ(ToDouble(Value("&H10000")), 65536);
}

TEST(ConvertNumbers, MalformedNumbersAreNotNumeric) {
  for (const char* text : {"", " ", ".", "1e", "e3", "1.2.3", "1 2", "--1", "&H", "&HG", "&O8",
                           "0x10", "1,000", "abc"}) {
    EXPECT_FALSE(IsNumericText(text)) << text;
  }
  EXPECT_TRUE(IsNumeric(Value()));
  EXPECT_FALSE(IsNumeric(Value::Null()));
  EXPECT_FALSE(IsNumeric(Value(Date{})));
}

TEST(ConvertNumbers, HugeTextOverflowsAndTinyTextIsZero) {
  EXPECT_THROW(ToDouble(Value("1e400")), OverflowError);
  EXPECT_EQ(ToDouble(Value("1e-400")), 0);
}

TEST(ConvertNumbers, IntegerDivisionRoundsOperandsThenCutsTowardZero) {
  EXPECT_EQ(IntDiv(Value(11), Value(4)), 2);
  EXPECT_EQ(IntDiv(Value(-7), Value(2)), -3);
  EXPECT_EQ(IntDiv(Value(49.5), Value(1)), 50);
  EXPECT_EQ(IntDiv(Value(7), Value(2.5)), 3);
  EXPECT_THROW(IntDiv(Value(1), Value(0.4)), DivisionByZeroError);
}

TEST(ConvertNumbers, RemainderTakesTheSignOfTheDividend) {
  EXPECT_EQ(Mod(Value(-9), Value(5)), -4);
  EXPECT_EQ(Mod(Value(9), Value(-5)), 4);
  EXPECT_EQ(Mod(Value(10.5), Value(3)), 1);
  EXPECT_EQ(Mod(Value(-2147483647 - 1), Value(-1)), 0);
  EXPECT_THROW(Mod(Value(3), Value(0)), DivisionByZeroError);
}

TEST(ConvertText, NumbersUseTheShortestFormUpTo15Digits) {
  EXPECT_EQ(ToText(Value(10.5)), "10.5");
  EXPECT_EQ(ToText(Value(1e20)), "1E+20");
  EXPECT_EQ(ToText(Value(0.0001)), "0.0001");
  EXPECT_EQ(ToText(Value(0.00001)), "1E-05");
  EXPECT_EQ(ToText(Value(1.0 / 3)), "0.333333333333333");
  EXPECT_EQ(ToText(Value(0.1 + 0.2)), "0.3");
  EXPECT_EQ(ToText(Value(123456789012345.0)), "123456789012345");
  EXPECT_EQ(ToText(Value(-0.0)), "0");
  EXPECT_EQ(ToText(Value(-42)), "-42");
}

TEST(ConvertText, OtherKindsHaveTheirRuntimeText) {
  EXPECT_EQ(ToText(Value(true)), "True");
  EXPECT_EQ(ToText(Value(false)), "False");
  EXPECT_EQ(ToText(Value()), "");
  EXPECT_EQ(ToText(Value::Null()), "");
  EXPECT_EQ(ToText(Value(At(2026, 12, 6, 8, 9, 57))), "2026-12-06 08:09:57");
  EXPECT_THROW(ToText(Value::MakeGrid(1, 1)), ConversionError);
}

TEST(ConvertBool, TextReadsTrueFalseOrANumber) {
  EXPECT_TRUE(ToBool(Value("TRUE")));
  EXPECT_FALSE(ToBool(Value("false")));
  EXPECT_TRUE(ToBool(Value("1")));
  EXPECT_FALSE(ToBool(Value("0")));
  EXPECT_TRUE(ToBool(Value(-1)));
  EXPECT_FALSE(ToBool(Value()));
  EXPECT_THROW(ToBool(Value("yes")), ConversionError);
}

TEST(ConvertDates, CivilTimeRoundTripsAroundTheBaseDate) {
  EXPECT_EQ(At(1899, 12, 30).seconds, 0);
  EXPECT_EQ(At(1899, 12, 31).seconds, 86400);
  EXPECT_EQ(At(1899, 12, 29, 23, 59, 59).seconds, -1);
  EXPECT_EQ(DateToText(Date{-1}), "1899-12-29 23:59:59");
  EXPECT_EQ(DateToText(At(2000, 2, 29, 12, 0, 1)), "2000-02-29 12:00:01");
  // The runtime's day number of 2026-12-06 is 46362.
  EXPECT_EQ(ToDouble(Value(At(2026, 12, 6, 12))), 46362.5);
}

TEST(ConvertDates, ParseDateReadsTheStoredFormAndItsShortForms) {
  Date d;
  ASSERT_TRUE(ParseDate("2026-12-06 08:09:57", d));
  EXPECT_EQ(d, At(2026, 12, 6, 8, 9, 57));
  ASSERT_TRUE(ParseDate("2026-12-6", d));
  EXPECT_EQ(d, At(2026, 12, 6));
  ASSERT_TRUE(ParseDate("2026/12/6", d));
  EXPECT_EQ(d, At(2026, 12, 6));
  ASSERT_TRUE(ParseDate(" 8:09:57 ", d));
  EXPECT_EQ(d, At(1899, 12, 30, 8, 9, 57));
  ASSERT_TRUE(ParseDate("08:09", d));
  EXPECT_EQ(d, At(1899, 12, 30, 8, 9));
}

TEST(ConvertDates, ParseDateRejectsEverythingElse) {
  Date d;
  for (const char* text :
       {"", "abc", "2026-13-01", "2026-02-29", "2026-12-06 24:00:00", "8:60", "2026-12-06T08:09:57",
        "2026-12/06", "26-12-06", "12", "2026-12-06 08", "8:09:57 PM"}) {
    EXPECT_FALSE(ParseDate(text, d)) << text;
  }
  EXPECT_THROW(ToDate(Value("soon")), ConversionError);
  EXPECT_TRUE(IsDate(Value("2024-02-29")));
  EXPECT_FALSE(IsDate(Value(46362)));
}

TEST(ConvertDates, DayDifferenceCountsMidnightsCrossed) {
  EXPECT_EQ(DateDiff(Interval::kDay, At(2026, 12, 6, 23, 59), At(2026, 12, 7, 0, 1)), 1);
  EXPECT_EQ(DateDiff(Interval::kDay, At(2026, 12, 6, 0, 1), At(2026, 12, 6, 23, 59)), 0);
  EXPECT_EQ(DateDiff(Interval::kDay, At(2026, 12, 7, 0, 1), At(2026, 12, 6, 23, 59)), -1);
  EXPECT_EQ(DateDiff(Interval::kDay, At(1899, 12, 29, 23), At(1899, 12, 30, 1)), 1);
}

TEST(ConvertDates, SmallerUnitsCountBoundariesToo) {
  EXPECT_EQ(DateDiff(Interval::kMinute, At(2026, 1, 1, 10, 0, 59), At(2026, 1, 1, 10, 1, 0)), 1);
  EXPECT_EQ(DateDiff(Interval::kMinute, At(2026, 1, 1, 10, 1, 0), At(2026, 1, 1, 10, 1, 59)), 0);
  EXPECT_EQ(DateDiff(Interval::kHour, At(2026, 1, 1, 10, 59, 59), At(2026, 1, 1, 11)), 1);
  EXPECT_EQ(DateDiff(Interval::kSecond, At(2026, 1, 1, 0, 0, 5), At(2026, 1, 1)), -5);
}

TEST(ConvertDates, IntervalLettersAreDHNS) {
  EXPECT_EQ(IntervalFromLetter("d"), Interval::kDay);
  EXPECT_EQ(IntervalFromLetter("H"), Interval::kHour);
  EXPECT_EQ(IntervalFromLetter("n"), Interval::kMinute);
  EXPECT_EQ(IntervalFromLetter("s"), Interval::kSecond);
  EXPECT_THROW(IntervalFromLetter("m"), ConversionError);
  EXPECT_THROW(IntervalFromLetter(""), ConversionError);
}

}  // namespace
}  // namespace ravochat::convert
