// Code page 936 (GBK) where the chat needs it: the signed 16-bit character codes that the
// name rules, name lengths and the password transform are defined on, and the transcoding
// of pages and form fields at the HTTP edge. Text inside the component is UTF-8.
#pragma once

#include "ravochat/gbk.h"

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

// Utf8ToGbk and GbkToUtf8, the edge's conversions, are declared in ravochat/gbk.h.

// True when GBK can carry the one character `character` (UTF-8).
bool FitsGbk(std::string_view character);


}  // namespace ravochat::text
