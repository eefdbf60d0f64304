// User-name rules on code page 936: the words and characters a name may not hold, and the
// length of a name with every double-byte character counted twice. Permitted are "0"-"9",
// "a"-"z" and most double-byte characters; see IsForbiddenNameCode for the exact set.
#pragma once

#include <string>
#include <string_view>

namespace ravochat::text {

// True when a character of GBK code `code` (signed 16-bit) may not stand in a name. False
// exactly for 48..57, 97..122, and double-byte codes of at least 0x8140 with a trail byte
// in 0x40..0x7E or 0x80..0xFE, except 0xA100..0xA9FF, 0xFEA1 and above, lead bytes 0xAA..0xAF
// and 0xF8..0xFD with a trail byte of 0xA1 or more, and 0xD7FA..0xD7FE.
bool IsForbiddenNameCode(int code);

// The extra permitted characters with blanks and "." removed, which can never be permitted.
std::string CleanPermittedCharacters(std::string_view usernameenable);

// True when name `u` must be refused: it holds a non-empty word of `filter_str` (exact,
// case-sensitive), or a character that is forbidden and not in `usernameenable`. When no
// word matched, `usernameenable` is replaced by its cleaned form.
bool IsRefusedName(std::string_view u, std::string_view filter_str, std::string& usernameenable);

// Characters of `u`, double-byte characters counted twice: NameLength("中文1") == 5. A
// character the code page cannot represent counts once.
int NameLength(std::string_view u);

}  // namespace ravochat::text
