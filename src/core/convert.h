// Every conversion the component makes between kinds of values, with the rules of the
// classic runtime that stored data depends on: whole numbers round half to even and
// overflow their 16-/32-bit range with an error; integer division and remainder round
// their operands first; dates are read from and written as "YYYY-MM-DD HH:MM:SS".
// No operation converts on its own.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

#include "ravochat/value.h"

namespace ravochat::convert {

// --- Numbers ---

// True when `text` is numeric text: blanks, sign, digits with an optional point, an optional
// exponent, or &H/&O forms. The empty text is not numeric.
bool IsNumericText(std::string_view text);
// True for numbers, booleans, empty values and numeric text.
bool IsNumeric(const Value& v);
// The value as a double. Empty is 0, True is -1. Throws ConversionError (non-numeric text,
// null, date-less kinds such as arrays).
double ToDouble(const Value& v);
// Rounds half to even: 0.5 -> 0, 1.5 -> 2, -2.5 -> -2.
double RoundHalfEven(double d);
// Whole numbers, rounded half to even. Throw ConversionError, or OverflowError outside
// -32768..32767 (16) or the 32-bit range.
std::int16_t ToInt16(const Value& v);
std::int32_t ToInt32(const Value& v);
// `a \ b`: both rounded half to even, quotient cut toward zero. Throws DivisionByZeroError.
std::int32_t IntDiv(const Value& a, const Value& b);
// `a Mod b`: both rounded half to even; the sign of the dividend. Throws DivisionByZeroError.
std::int32_t Mod(const Value& a, const Value& b);

// --- Text ---

// The text form of a value: numbers in shortest decimal (10.5, 1E+20), True/False,
// dates as "YYYY-MM-DD HH:MM:SS", empty and null as "". Throws ConversionError for arrays.
std::string ToText(const Value& v);
// The decimal text of a whole number. Only integer types choose this overload, so a
// double or a bool goes through the Value form above ("10.5", "True").
template <typename T>
requires(std::is_integral_v<T> && !std::is_same_v<T, bool>) std::string ToText(T n) {
  return std::to_string(n);
}

// --- Dates ---

struct CivilTime {
  int year = 1899, month = 12, day = 30, hour = 0, minute = 0, second = 0;
};

Date FromCivil(const CivilTime& c);
CivilTime ToCivil(Date d);
// Reads "YYYY-MM-DD HH:MM:SS", a date alone ("2026-12-6", "2026/12/6") or a time alone
// ("8:09:57", "08:09", on 1899-12-30). False for anything else.
bool ParseDate(std::string_view text, Date& out);
// True when `v` is a date or text that ParseDate reads.
bool IsDate(const Value& v);
// The value as a date. Throws ConversionError.
Date ToDate(const Value& v);
// "YYYY-MM-DD HH:MM:SS".
std::string DateToText(Date d);

// Boundaries crossed from `a` to `b`, negative when `a` is later.
enum class Interval { kDay, kHour, kMinute, kSecond };
std::int64_t DateDiff(Interval interval, Date a, Date b);
// 'd', 'h', 'n' or 's'; throws ConversionError for any other letter.
Interval IntervalFromLetter(std::string_view letter);

}  // namespace ravochat::convert
