// Date and time texts, and the lumochat members that write them for a given value or for
// the present of the object's clock.
#include "text/date_strings.h"

#include "core/convert.h"
#include "ravochat/lumochat.h"

namespace ravochat::text {
namespace {

// The decimal text of `n`, with a "0" in front when it is one character long.
std::string TwoDigits(int n) {
  std::string digits = convert::ToText(static_cast<std::int64_t>(n));
  return digits.size() == 1 ? "0" + digits : digits;
}

}  // namespace

std::string TimeText(Date d) {
  convert::CivilTime c = convert::ToCivil(d);
  return TwoDigits(c.hour) + ":" + TwoDigits(c.minute) + ":" + TwoDigits(c.second);
}

std::string DateText(Date d) {
  convert::CivilTime c = convert::ToCivil(d);
  return TwoDigits(c.year) + "-" + TwoDigits(c.month) + "-" + TwoDigits(c.day);
}

std::string DateTimeText(Date d) { return DateText(d) + " " + TimeText(d); }

}  // namespace ravochat::text

namespace ravochat {

std::string lumochat::GetTimeStr(const std::optional<Value>& TimeStr) {
  return text::TimeText(TimeStr ? convert::ToDate(*TimeStr) : clock_.Now());
}

std::string lumochat::GetDateStr(const std::optional<Value>& DateStr) {
  return text::DateText(DateStr ? convert::ToDate(*DateStr) : clock_.Now());
}

Value lumochat::AllDateStr(const std::optional<Value>& ADstr) {
  if (!ADstr) return text::DateTimeText(clock_.Now());
  if (!convert::IsDate(*ADstr)) return *ADstr;
  return text::DateTimeText(convert::ToDate(*ADstr));
}

}  // namespace ravochat
