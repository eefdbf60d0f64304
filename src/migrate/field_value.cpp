// Field conversion. Number rules come from the conversion module; only the export's date
// form is read here.
#include "migrate/field_value.h"

#include <charconv>

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

}  // namespace

std::optional<std::string> ExportedDate(std::string_view text) {
  text = strings::TrimView(text);
  const std::size_t blank = text.find(' ');
  const std::string_view day = text.substr(0, blank);
  int mdy[3] = {0, 0, 0}, hms[3] = {0, 0, 0};
  // A first number of more than two digits is a year: the chat's own "2026/12/6".
  const std::size_t slash = day.find('/');
  if (slash == std::string_view::npos || slash > 2 || !ReadNumbers(day, '/', mdy, 3)) {
    Date parsed;
    if (!convert::ParseDate(text, parsed)) return std::nullopt;
    return convert::DateToText(parsed);
  }
  if (blank != std::string_view::npos &&
      !ReadNumbers(strings::TrimView(text.substr(blank)), ':', hms, 3)) {
    return std::nullopt;
  }
  const convert::CivilTime civil{
      FullYear(mdy[2], day.size() - day.rfind('/') - 1), mdy[0], mdy[1], hms[0], hms[1], hms[2]};
  const convert::CivilTime back = convert::ToCivil(convert::FromCivil(civil));
  if (back.year != civil.year || back.month != civil.month || back.day != civil.day ||
      back.hour != civil.hour || back.minute != civil.minute || back.second != civil.second) {
    return std::nullopt;  // 02/30, 25:00 and the like
  }
  return convert::DateToText(convert::FromCivil(civil));
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
