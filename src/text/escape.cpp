// The word filter and escaping rules, and the lumochat members that apply them with the
// object's word list. The members' by-reference effects are part of their contract: pages
// pass their own variables and read them afterwards.
#include "text/escape.h"

#include "core/convert.h"
#include "core/strings.h"
#include "ravochat/lumochat.h"

namespace ravochat::text {

std::string FilterWords(std::string_view mess, std::string_view filter_str) {
  std::string filtered(mess);
  for (const std::string& word : strings::Split(filter_str, ",")) {
    filtered = strings::ReplaceFirst(filtered, word, kWordMask);
  }
  return filtered;
}

std::string EscapeHtml(std::string_view mess) {
  std::string escaped = strings::Replace(mess, "&", "&amp;");
  escaped = strings::Replace(escaped, "<", "&lt;");
  return strings::Replace(escaped, ">", "&gt;");
}

DbText EscapeForDb(std::string_view mess, std::string_view filter_str) {
  std::string s = EscapeHtml(FilterWords(strings::Trim(mess), filter_str));
  s = strings::Replace(s, "\"", "&quot;");
  s = strings::Replace(s, "'", "&#39;");
  // Pairs from the left: three spaces become U+3000 and one space.
  s = strings::Replace(s, "  ", "\u3000");
  s = strings::Replace(s, "\n", "");
  s = strings::Replace(s, "\\", "&#92;");
  std::string shown = strings::Replace(s, "\r", "<br>");
  return {std::move(s), std::move(shown)};
}

ScriptText EscapeForScript(std::string_view mess, std::string_view filter_str, bool filter) {
  std::string s = filter ? FilterWords(mess, filter_str) : std::string(mess);
  // Backslashes first, so the ones put before the quotes are not doubled.
  s = strings::Replace(s, "\\", "\\\\");
  s = strings::Replace(s, "\"", "\\\"");
  s = strings::Replace(s, "'", "\\'");
  s = strings::Replace(s, "\n", "");
  s = strings::Replace(s, "\r", "");
  std::string shown = strings::Trim(s);
  return {std::move(s), std::move(shown)};
}

}  // namespace ravochat::text

namespace ravochat {
namespace {

// A switch value is on when it equals "1": the text "1" or the number 1.
bool IsOne(const Value& v) {
  switch (v.kind()) {
    case Value::Kind::kText:
      return *v.AsText() == "1";
    case Value::Kind::kInteger:
    case Value::Kind::kDouble:
      return convert::ToDouble(v) == 1;
    default:
      return false;
  }
}

}  // namespace

std::string lumochat::zhgl(std::string& mess) {
  mess = text::FilterWords(mess, FilterStr);
  return mess;
}

std::string lumochat::trHtml(const std::string& mess) { return text::EscapeHtml(mess); }

std::string lumochat::trDb(std::string& mess) {
  text::DbText escaped = text::EscapeForDb(mess, FilterStr);
  mess = std::move(escaped.stored);
  return escaped.shown;
}

std::string lumochat::TrStr(std::string& mess, const Value& enablesaysfilter) {
  text::ScriptText escaped = text::EscapeForScript(mess, FilterStr, IsOne(enablesaysfilter));
  mess = std::move(escaped.stored);
  return escaped.shown;
}

}  // namespace ravochat
