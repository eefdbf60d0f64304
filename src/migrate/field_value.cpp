// Field conversion. Number rules come from the conversion module; only the export's date
// form is read here.
#include "migrate/field_value.h"

#include <charconv>
#include <utility>

#include "core/convert.h"
#include "core/strings.h"

namespace ravochat::migration {
namespace {

// Reads `count` numbers separated by `separator` from the front of `text`.
bool ReadNumbers(std::string_view text, char separator, int* out, int count) {
  for (int i = 0; i < count; ++i) {
    const char* end = text.data() + text.size();
    auto [next, ec] = std::from_chars(text.data(), end, out[i]);
    if (ec != std::errc() || next == text.data()) return false;
    text.remove_prefix(static_cast<std::size_t>(next - text.data()));
    if (i + 1 < count) {
      if (text.empty() || text.front() != separator) return false;
      text.remove_prefix(1);
    }
  }
  return text.empty();
}

// The two-digit years of the export, as strptime's %y reads them.
int FullYear(int year, std::size_t digits) {
  if (digits > 2) return year;
  return year < 69 ? 2000 + year : 1900 + year;
}

// `text` with the units of the Chinese locale's form ("2026年12月07日 04时13分25秒") turned
// into the separators of the chat's own form ("2026-12-07 04:13:25").
std::string WithoutChineseUnits(std::string_view text) {
  static constexpr std::pair<std::string_view, std::string_view> kUnits[] = {
      {"年", "-"}, {"月", "-"}, {"日", ""}, {"时", ":"}, {"分", ":"}, {"秒", ""}};
  std::string plain(text);
  for (const auto& [unit, separator] : kUnits) {
    for (auto at = plain.find(unit); at != std::string::npos; at = plain.find(unit, at)) {
      plain.replace(at, unit.size(), separator);
    }
  }
  return plain;
}

// Reads "HH:MM:SS" into `hms`, also on an English locale's 12-hour clock ("04:13:25 PM").
bool ReadClock(std::string_view time, int* hms) {
  time = strings::TrimView(time);
  int shift = -1;
  if (time.ends_with(" AM") || time.ends_with(" PM")) {
    shift = time.ends_with(" PM") ? 12 : 0;
    time.remove_suffix(3);
  }
  if (!ReadNumbers(time, ':', hms, 3)) return false;
  if (shift < 0) return true;
  if (hms[0] < 1 || hms[0] > 12) return false;
  hms[0] = hms[0] % 12 + shift;
  return true;
}

// The date of "MM/DD/YY[YY] HH:MM:SS", checked: 02/30 and 25:00 are no dates.
std::optional<std::string> MonthFirstDate(std::string_view day, std::string_view time) {
  int mdy[3] = {0, 0, 0}, hms[3] = {0, 0, 0};
  if (!ReadNumbers(day, '/', mdy, 3) || (!time.empty() && !ReadClock(time, hms))) {
    return std::nullopt;
  }
  const convert::CivilTime civil{
      FullYear(mdy[2], day.size() - day.rfind('/') - 1), mdy[0], mdy[1], hms[0], hms[1], hms[2]};
  const convert::CivilTime back = convert::ToCivil(convert::FromCivil(civil));
  if (back.year != civil.year || back.month != civil.month || back.day != civil.day ||
      back.hour != civil.hour || back.minute != civil.minute || back.second != civil.second) {
    return std::nullopt;
  }
  return convert::DateToText(convert::FromCivil(civil));
}

}  // namespace

std::optional<std::string> ExportedDate(std::string_view text) {
  const std::string plain = WithoutChineseUnits(strings::TrimView(text));
  const std::string_view whole = plain;
  const std::size_t blank = whole.find(' ');
  const std::string_view day = whole.substr(0, blank);
  // A first number of more than two digits is a year: the chat's own "2026/12/6".
  const std::size_t slash = day.find('/');
  if (slash != std::string_view::npos && slash <= 2) {
    return MonthFirstDate(day, blank == std::string_view::npos ? "" : whole.substr(blank));
  }
  Date parsed;
  if (!convert::ParseDate(whole, parsed)) return std::nullopt;
  return convert::DateToText(parsed);
}

std::optional<Value> FieldValue(const CsvField& field, ColumnKind kind, std::string& refusal) {
  if (field.text.empty() && (!field.quoted || kind != ColumnKind::kText)) return std::nullopt;
  switch (kind) {
    case ColumnKind::kText:
      return Value(field.text);
    case ColumnKind::kNumber:
      if (!convert::IsNumericText(field.text)) break;
      return Value(
          static_cast<std::int64_t>(convert::RoundHalfEven(convert::ToDouble(Value(field.text)))));
    case ColumnKind::kDate:
      if (auto date = ExportedDate(field.text)) return Value(*date);
      break;
  }
  refusal =
      kind == ColumnKind::kNumber ? "not a number: " + field.text : "not a date: " + field.text;
  return std::nullopt;
}

}  // namespace ravochat::migration
