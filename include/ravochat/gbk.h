// Code page 936 (GBK) at the HTTP edge: every page goes out in it and every query and form
// field comes in in it, while the chat works in UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace ravochat::text {

// `text` (UTF-8) in GBK bytes. A character GBK cannot carry becomes a decimal character
// reference ("😀" -> "&#128512;"); a byte that is not UTF-8 becomes "?". Never fails on
// its input; throws Error when the converter is missing.
std::string Utf8ToGbk(std::string_view text);
// GBK `bytes` in UTF-8. A byte that does not begin a GBK character becomes U+FFFD. Never
// fails on its input; throws Error when the converter is missing.
std::string GbkToUtf8(std::string_view bytes);

// `text` with every numeric character reference ("&#128512;", "&#x1F600;") of a character
// that GBK cannot carry replaced by that character, as a browser writes such a character
// into a form of a GBK page. References to characters GBK carries stay as typed:
// DecodeForeignReferences("&#128512;&#60;") == "😀&#60;"
std::string DecodeForeignReferences(std::string_view text);

}  // namespace ravochat::text
