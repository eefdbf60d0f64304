// Code page 936 (GBK) where the chat needs it: the signed 16-bit character codes that the
// name rules, name lengths and the password transform are defined on, and the transcoding
// of pages and form fields at the HTTP edge. Text inside the component is UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ravochat::text {

// The code of the one character `character` (UTF-8) in code page 936, as a signed 16-bit
// number: an ASCII character is its byte, a double-byte character L,T is L*256+T-65536
// (GbkCode("中") == -10544), and a character the code page cannot represent, or text that
// is not exactly one character, is "?" (63). Throws Error when the converter is missing.
std::int16_t GbkCode(std::string_view character);
// The codes of the characters of `text`, in order, one per character.
std::vector<std::int16_t> GbkCodes(std::string_view text);

// `text` (UTF-8) in GBK bytes. A character GBK cannot carry becomes a decimal character
// reference ("😀" -> "&#128512;"); a byte that is not UTF-8 becomes "?". Never fails on
// its input; throws Error when the converter is missing.
std::string Utf8ToGbk(std::string_view text);
// GBK `bytes` in UTF-8. A byte that does not begin a GBK character becomes U+FFFD. Never
// fails on its input; throws Error when the converter is missing.
std::string GbkToUtf8(std::string_view bytes);

// True when GBK can carry the one character `character` (UTF-8).
bool FitsGbk(std::string_view character);

// `text` with every numeric character reference ("&#128512;", "&#x1F600;") of a character
// that GBK cannot carry replaced by that character, as a browser writes such a character
// into a form of a GBK page. References to characters GBK carries stay as typed:
// DecodeForeignReferences("&#128512;&#60;") == "😀&#60;"
std::string DecodeForeignReferences(std::string_view text);

}  // namespace ravochat::text
