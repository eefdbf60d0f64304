// The GB2312 edge of the chat: inside, text is UTF-8; on the wire every page goes out
// as GBK (declared charset=gb2312) and every query and form value comes in as GBK.
#pragma once

#include <string>
#include <string_view>

namespace ravochat::server {

// The content type of every page the chat sends.
inline constexpr std::string_view kPageContentType = "text/html; charset=gb2312";

// `utf8` as GBK bytes; a character GBK cannot carry becomes its numeric character
// reference ("😀" -> "&#128512;"), so nothing is lost. Invalid UTF-8 becomes "?".
std::string ToWire(std::string_view utf8);

// GBK bytes as UTF-8; an invalid or incomplete byte sequence becomes U+FFFD, never a
// failure.
std::string FromWire(std::string_view gbk);

// A query or form value as GBK bytes in UTF-8, with the numeric references that a browser
// writes for characters GBK cannot carry turned back into those characters. A reference
// to a character GBK carries was typed as such and stays: "&#128512;&#60;" -> "😀&#60;".
std::string FromWireValue(std::string_view gbk);

}  // namespace ravochat::server
