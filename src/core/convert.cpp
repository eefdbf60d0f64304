// Conversions between kinds of values with the classic runtime's rules. Numeric text is
// read by one small parser (decimal with exponent, &H and &O), whole numbers round half
// to even, and dates are seconds from 1899-12-30 converted with civil-day arithmetic.
#include "convert.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>

#include "ravochat/error.h"
#include "strings.h"

namespace ravochat::convert {
namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

// --- Numeric text ---

enum class ParseStatus { kOk, kNotNumeric, kOverflow };

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int DigitValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 99;
}

// "&H1F" or "&O17" (after blanks are gone). Values that fit 16 bits read as a 16-bit
// pattern (&HFFFF is -1), others as a 32-bit pattern, as the runtime reads them.
ParseStatus ParseRadix(std::string_view s, double& out) {
  if (s.size() < 3) return ParseStatus::kNotNumeric;
  char letter = s[1];
  int radix = (letter == 'h' || letter == 'H') ? 16 : (letter == 'o' || letter == 'O') ? 8 : 0;
  if (radix == 0) return ParseStatus::kNotNumeric;
  std::uint64_t value = 0;
  for (char c : s.substr(2)) {
    int digit = DigitValue(c);
    if (digit >= radix) return ParseStatus::kNotNumeric;
    value = value * radix + digit;
    if (value > 0xFFFFFFFFu) return ParseStatus::kOverflow;
  }
  if (value <= 0xFFFF) {
    out = static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
  } else {
    out = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
  }
  return ParseStatus::kOk;
}

// Length of the run of digits at `pos`.
std::size_t DigitRun(std::string_view s, std::size_t pos) {
  std::size_t end = pos;
  while (end < s.size() && IsDigit(s[end])) ++end;
  return end - pos;
}

// True when `s` is digits with an optional point and an optional exponent; `int_digits`
// receives the count of integer digits and `exponent_sign` the exponent's sign.
bool IsDecimalBody(std::string_view s, std::size_t& int_digits, int& exponent_sign) {
  std::size_t pos = 0;
  int_digits = DigitRun(s, pos);
  pos += int_digits;
  std::size_t fraction_digits = 0;
  if (pos < s.size() && s[pos] == '.') {
    fraction_digits = DigitRun(s, ++pos);
    pos += fraction_digits;
  }
  if (int_digits + fraction_digits == 0) return false;
  exponent_sign = 0;
  if (pos < s.size() && (s[pos] == 'e' || s[pos] == 'E')) {
    ++pos;
    exponent_sign = 1;
    if (pos < s.size() && (s[pos] == '+' || s[pos] == '-'))
      exponent_sign = s[pos++] == '-' ? -1 : 1;
    std::size_t exponent_digits = DigitRun(s, pos);
    if (exponent_digits == 0) return false;
    pos += exponent_digits;
  }
  return pos == s.size();
}

ParseStatus ParseDecimal(std::string_view s, double& out) {
  bool negative = !s.empty() && s[0] == '-';
  if (!s.empty() && (s[0] == '-' || s[0] == '+')) s.remove_prefix(1);
  std::size_t int_digits = 0;
  int exponent_sign = 0;
  if (!IsDecimalBody(s, int_digits, exponent_sign)) return ParseStatus::kNotNumeric;
  double value = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec == std::errc::result_out_of_range) {
    // Too large overflows; too small is zero.
    if (exponent_sign > 0 || (exponent_sign == 0 && int_digits > 0)) return ParseStatus::kOverflow;
    value = 0;
  } else if (ec != std::errc() || end != s.data() + s.size()) {
    return ParseStatus::kNotNumeric;
  }
  out = negative ? -value : value;
  return ParseStatus::kOk;
}

ParseStatus ParseNumber(std::string_view text, double& out) {
  std::string_view s = strings::TrimView(text);
  if (s.empty()) return ParseStatus::kNotNumeric;
  if (s[0] == '&') return ParseRadix(s, out);
  return ParseDecimal(s, out);
}

std::string Quoted(const Value& v) {
  if (const std::string* text = v.AsText()) return "\"" + *text + "\"";
  switch (v.kind()) {
    case Value::Kind::kNull:
      return "Null";
    case Value::Kind::kArray:
    case Value::Kind::kGrid:
      return "an array";
    default:
      return ToText(v);
  }
}

[[noreturn]] void ThrowMismatch(const Value& v, std::string_view target) {
  throw ConversionError("type mismatch: " + Quoted(v) + " is not " + std::string(target));
}

double TextToDouble(const std::string& text) {
  double out = 0;
  switch (ParseNumber(text, out)) {
    case ParseStatus::kOk:
      return out;
    case ParseStatus::kOverflow:
      throw OverflowError("overflow: \"" + text + "\" is too large a number");
    case ParseStatus::kNotNumeric:
      break;
  }
  ThrowMismatch(Value(text), "a number");
}

template <typename Int>
Int ToWhole(const Value& v, std::string_view range_name) {
  double rounded = RoundHalfEven(ToDouble(v));
  if (rounded < std::numeric_limits<Int>::min() || rounded > std::numeric_limits<Int>::max()) {
    throw OverflowError("overflow: " + Quoted(v) + " is outside the " + std::string(range_name) +
                        " range");
  }
  return static_cast<Int>(rounded);
}

// Both operands as 32-bit whole numbers; throws DivisionByZeroError when `b` is 0.
std::pair<std::int32_t, std::int32_t> WholeOperands(const Value& a, const Value& b) {
  std::int32_t x = ToInt32(a);
  std::int32_t y = ToInt32(b);
  if (y == 0) throw DivisionByZeroError("division by zero: " + Quoted(a) + " by " + Quoted(b));
  return {x, y};
}

std::string DoubleToText(double d) {
  if (d == 0) return "0";  // also -0
  char buffer[40];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, d, std::chars_format::general, 15);
  std::string out(buffer, ec == std::errc() ? end : buffer);
  for (char& c : out) {
    if (c == 'e') c = 'E';
  }
  return out;
}

// --- Civil dates (days counted from 1970-01-01, proleptic Gregorian) ---

std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, CivilTime& c) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  c.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  c.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  c.year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (c.month <= 2));
}

const std::int64_t kBaseDay = DaysFromCivil(1899, 12, 30);

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

// --- Date text ---

// Reads a run of `min`..`max` digits at `pos` into `out`.
bool ReadNumber(std::string_view s, std::size_t& pos, std::size_t min, std::size_t max, int& out) {
  std::size_t n = DigitRun(s, pos);
  if (n < min || n > max) return false;
  out = 0;
  for (std::size_t i = 0; i < n; ++i) out = out * 10 + (s[pos + i] - '0');
  pos += n;
  return true;
}

bool ReadChar(std::string_view s, std::size_t& pos, char c) {
  if (pos >= s.size() || s[pos] != c) return false;
  ++pos;
  return true;
}

// "2026-12-6" or "2026/12/06".
bool ReadCalendarDate(std::string_view s, std::size_t& pos, CivilTime& c) {
  if (!ReadNumber(s, pos, 4, 4, c.year) || pos >= s.size()) return false;
  char sep = s[pos];
  if (sep != '-' && sep != '/') return false;
  ++pos;
  if (!ReadNumber(s, pos, 1, 2, c.month) || !ReadChar(s, pos, sep) ||
      !ReadNumber(s, pos, 1, 2, c.day)) {
    return false;
  }
  return c.year >= 100 && c.month >= 1 && c.month <= 12 && c.day >= 1 &&
         c.day <= DaysInMonth(c.year, c.month);
}

// "8:09:57" or "08:09".
bool ReadTimeOfDay(std::string_view s, std::size_t& pos, CivilTime& c) {
  if (!ReadNumber(s, pos, 1, 2, c.hour) || !ReadChar(s, pos, ':') ||
      !ReadNumber(s, pos, 1, 2, c.minute)) {
    return false;
  }
  c.second = 0;
  if (pos < s.size() && s[pos] == ':' && !ReadNumber(s, ++pos, 1, 2, c.second)) return false;
  return c.hour <= 23 && c.minute <= 59 && c.second <= 59;
}

}  // namespace

// --- Numbers ---

bool IsNumericText(std::string_view text) {
  double ignored = 0;
  return ParseNumber(text, ignored) == ParseStatus::kOk;
}

bool IsNumeric(const Value& v) {
  switch (v.kind()) {
    case Value::Kind::kEmpty:
    case Value::Kind::kBool:
    case Value::Kind::kInteger:
    case Value::Kind::kDouble:
      return true;
    case Value::Kind::kText:
      return IsNumericText(*v.AsText());
    default:
      return false;
  }
}

double ToDouble(const Value& v) {
  switch (v.kind()) {
    case Value::Kind::kEmpty:
      return 0;
    case Value::Kind::kBool:
      return *v.AsBool() ? -1 : 0;
    case Value::Kind::kInteger:
      return static_cast<double>(*v.AsInteger());
    case Value::Kind::kDouble:
      return *v.AsDouble();
    case Value::Kind::kText:
      return TextToDouble(*v.AsText());
    case Value::Kind::kDate:
      // A date as a number is days and a fraction of a day since the base date.
      return static_cast<double>(v.AsDate()->seconds) / kSecondsPerDay;
    default:
      ThrowMismatch(v, "a number");
  }
}

double RoundHalfEven(double d) {
  double floor = std::floor(d);
  double fraction = d - floor;
  if (fraction < 0.5) return floor;
  if (fraction > 0.5) return floor + 1;
  return std::fmod(floor, 2) == 0 ? floor : floor + 1;
}

std::int16_t ToInt16(const Value& v) { return ToWhole<std::int16_t>(v, "16-bit"); }

std::int32_t ToInt32(const Value& v) { return ToWhole<std::int32_t>(v, "32-bit"); }

std::int32_t IntDiv(const Value& a, const Value& b) {
  auto [x, y] = WholeOperands(a, b);
  if (x == std::numeric_limits<std::int32_t>::min() && y == -1) {
    throw OverflowError("overflow: " + Quoted(a) + " \\ -1 is outside the 32-bit range");
  }
  return x / y;
}

std::int32_t Mod(const Value& a, const Value& b) {
  auto [x, y] = WholeOperands(a, b);
  return y == -1 ? 0 : x % y;
}

// --- Text ---

std::string ToText(const Value& v) {
  switch (v.kind()) {
    case Value::Kind::kEmpty:
    case Value::Kind::kNull:
      return "";
    case Value::Kind::kBool:
      return *v.AsBool() ? "True" : "False";
    case Value::Kind::kInteger:
      return ToText(*v.AsInteger());
    case Value::Kind::kDouble:
      return DoubleToText(*v.AsDouble());
    case Value::Kind::kText:
      return *v.AsText();
    case Value::Kind::kDate:
      return DateToText(*v.AsDate());
    default:
      ThrowMismatch(v, "text");
  }
}

// --- Dates ---

Date FromCivil(const CivilTime& c) {
  std::int64_t days =
      DaysFromCivil(c.year, static_cast<unsigned>(c.month), static_cast<unsigned>(c.day)) -
      kBaseDay;
  return Date{days * kSecondsPerDay + c.hour * 3600 + c.minute * 60 + c.second};
}

CivilTime ToCivil(Date d) {
  CivilTime c;
  std::int64_t days = FloorDiv(d.seconds, kSecondsPerDay);
  std::int64_t rest = d.seconds - days * kSecondsPerDay;
  CivilFromDays(days + kBaseDay, c);
  c.hour = static_cast<int>(rest / 3600);
  c.minute = static_cast<int>(rest / 60 % 60);
  c.second = static_cast<int>(rest % 60);
  return c;
}

bool ParseDate(std::string_view text, Date& out) {
  std::string_view s = strings::TrimView(text);
  CivilTime c;
  std::size_t pos = 0;
  bool has_date = s.find_first_of("-/") != std::string_view::npos;
  if (has_date) {
    if (!ReadCalendarDate(s, pos, c)) return false;
    if (pos == s.size()) {
      out = FromCivil(c);
      return true;
    }
    if (s[pos] != ' ') return false;
    while (pos < s.size() && s[pos] == ' ') ++pos;
  }
  if (!ReadTimeOfDay(s, pos, c) || pos != s.size()) return false;
  out = FromCivil(c);
  return true;
}

bool IsDate(const Value& v) {
  if (v.AsDate() != nullptr) return true;
  Date ignored;
  const std::string* text = v.AsText();
  return text != nullptr && ParseDate(*text, ignored);
}

Date ToDate(const Value& v) {
  switch (v.kind()) {
    case Value::Kind::kEmpty:
      return Date{};
    case Value::Kind::kDate:
      return *v.AsDate();
    case Value::Kind::kInteger:
    case Value::Kind::kDouble:
      return Date{std::llround(ToDouble(v) * kSecondsPerDay)};
    case Value::Kind::kText: {
      Date d;
      if (ParseDate(*v.AsText(), d)) return d;
      break;
    }
    default:
      break;
  }
  ThrowMismatch(v, "a date");
}

std::string DateToText(Date d) {
  CivilTime c = ToCivil(d);
  if (c.year < 0 || c.year > 9999) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", c.year, c.month, c.day,
                  c.hour, c.minute, c.second);
    return buffer;
  }
  // Digits placed by hand: every poll writes a date into the visitor's record.
  std::string out = "0000-00-00 00:00:00";
  const auto put = [&out](std::size_t end, int value) {
    for (std::size_t i = end; value > 0; --i, value /= 10)
      out[i] = static_cast<char>('0' + value % 10);
  };
  put(3, c.year);
  put(6, c.month);
  put(9, c.day);
  put(12, c.hour);
  put(15, c.minute);
  put(18, c.second);
  return out;
}

std::int64_t DateDiff(Interval interval, Date a, Date b) {
  std::int64_t unit = 1;
  switch (interval) {
    case Interval::kDay:
      unit = kSecondsPerDay;
      break;
    case Interval::kHour:
      unit = 3600;
      break;
    case Interval::kMinute:
      unit = 60;
      break;
    case Interval::kSecond:
      unit = 1;
      break;
  }
  return FloorDiv(b.seconds, unit) - FloorDiv(a.seconds, unit);
}

Interval IntervalFromLetter(std::string_view letter) {
  if (letter.size() == 1) {
    switch (letter[0]) {
      case 'd':
      case 'D':
        return Interval::kDay;
      case 'h':
      case 'H':
        return Interval::kHour;
      case 'n':
      case 'N':
        return Interval::kMinute;
      case 's':
      case 'S':
        return Interval::kSecond;
    }
  }
  throw ConversionError("invalid date interval \"" + std::string(letter) + "\"");
}

}  // namespace ravochat::convert

namespace ravochat {

std::string ValueText(const Value& v) { return convert::ToText(v); }

}  // namespace ravochat
