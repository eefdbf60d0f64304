// The word filter and the escaping of visitor text for HTML pages, stored message rows and
// quoted script strings. Word lists are comma-separated; every replacement is exact and
// case-sensitive, and an empty word changes nothing.
#pragma once

#include <string>
#include <string_view>

namespace ravochat::text {

// The mask that replaces a filtered word.
inline constexpr std::string_view kWordMask = "**(脏话)";

// `mess` with the first occurrence of each word of `filter_str` masked, the words applied
// in list order to the text as already changed:
// FilterWords("bad bad", "bad") == "**(脏话) bad".
std::string FilterWords(std::string_view mess, std::string_view filter_str);

// EscapeHtml("a<b&c") == "a&lt;b&amp;c"; "&" goes first, so entities are escaped once.
std::string EscapeHtml(std::string_view mess);

// A posted text made ready for a message row and the database.
struct DbText {
  // Trimmed, filtered, HTML-escaped, quotes as entities, space pairs as U+3000, line feeds
  // removed, backslashes as "&#92;"; carriage returns kept.
  std::string stored;
  // `stored` with every carriage return as "<br>".
  std::string shown;
};
DbText EscapeForDb(std::string_view mess, std::string_view filter_str);

// A text made ready for a quoted script string.
struct ScriptText {
  // Filtered when asked; backslashes doubled, both quotes preceded by a backslash, line
  // feeds and carriage returns removed. The five characters a\"b' become a\\\"b\'.
  std::string stored;
  // `stored` trimmed of blanks.
  std::string shown;
};
ScriptText EscapeForScript(std::string_view mess, std::string_view filter_str, bool filter);

}  // namespace ravochat::text
