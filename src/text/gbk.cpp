// GBK codes and transcoding through glibc iconv. Each thread keeps one converter per
// direction, opened on first use, so a page costs no iconv_open. Converters are reset
// before every use; a conversion never fails on its input.
#include "text/gbk.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "core/strings.h"
#include "ravochat/error.h"

namespace ravochat::text {
namespace {

constexpr std::int16_t kUnrepresentable = '?';
constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";  // U+FFFD

class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      throw Error(std::string("iconv cannot convert from ") + from + " to " + to);
    }
  }
  ~Converter() { iconv_close(cd_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts as much of `in` as it can, appending to `out`; advances `in` past what was
  // converted. Returns 0 when all of `in` was converted, else the errno that stopped it
  // (EILSEQ or EINVAL). Input goes in slices: after an unconvertible character iconv
  // works its way back through what it took in, so a text with many of them would cost
  // time in proportion to its length squared.
  int Convert(std::string_view& in, std::string& out) {
    constexpr std::size_t kSlice = 512;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char buffer[4 * kSlice];
    while (!in.empty()) {
      std::size_t slice = std::min(in.size(), kSlice);
      char* in_ptr = const_cast<char*>(in.data());
      std::size_t in_left = slice;
      char* out_ptr = buffer;
      std::size_t out_left = sizeof buffer;
      std::size_t rc = iconv(cd_, &in_ptr, &in_left, &out_ptr, &out_left);
      int error = rc == static_cast<std::size_t>(-1) ? errno : 0;
      out.append(buffer, out_ptr - buffer);
      std::size_t consumed = slice - in_left;
      in.remove_prefix(consumed);
      bool cut_by_slice = error == EINVAL && in.size() > in_left && consumed > 0;
      if (error == 0 || error == E2BIG || cut_by_slice) continue;
      if (error != EILSEQ && error != EINVAL) {
        throw Error("iconv failed with error " + std::to_string(error));
      }
      return error;
    }
    return 0;
  }

 private:
  iconv_t cd_;
};

Converter& ToGbk() {
  thread_local Converter converter("GBK", "UTF-8");
  return converter;
}

Converter& FromGbk() {
  thread_local Converter converter("UTF-8", "GBK");
  return converter;
}

bool IsAscii(std::string_view s) {
  for (unsigned char c : s) {
    if (c >= 0x80) return false;
  }
  return true;
}

// The code point of the well-formed UTF-8 character at the start of `s`, and its length;
// length 0 when `s` does not start with one.
struct CodePoint {
  char32_t value = 0;
  std::size_t length = 0;
};

CodePoint DecodeFirst(std::string_view s) {
  auto lead = static_cast<unsigned char>(s[0]);
  std::size_t length = lead >= 0xF0 && lead < 0xF5   ? 4
                       : lead >= 0xE0 && lead < 0xF0 ? 3
                       : lead >= 0xC2 && lead < 0xE0 ? 2
                                                     : 0;
  if (length == 0 || s.size() < length) return {};
  char32_t value = lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    auto c = static_cast<unsigned char>(s[i]);
    if ((c & 0xC0) != 0x80) return {};
    value = (value << 6) | (c & 0x3F);
  }
  bool overlong = value < (length == 2 ? 0x80u : length == 3 ? 0x800u : 0x10000u);
  if (overlong || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return {};
  return {value, length};
}

// `value` in UTF-8; `value` must be a code point other than a surrogate.
std::string EncodeUtf8(char32_t value) {
  std::string out;
  if (value < 0x80) {
    out += static_cast<char>(value);
  } else if (value < 0x800) {
    out += static_cast<char>(0xC0 | (value >> 6));
    out += static_cast<char>(0x80 | (value & 0x3F));
  } else if (value < 0x10000) {
    out += static_cast<char>(0xE0 | (value >> 12));
    out += static_cast<char>(0x80 | ((value >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (value & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (value >> 18));
    out += static_cast<char>(0x80 | ((value >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((value >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (value & 0x3F));
  }
  return out;
}

// The reference "&#N;" or "&#xH;" at the start of `s`: its code point and length, or
// length 0 when `s` does not start with a well-formed reference to a code point.
CodePoint ReadReference(std::string_view s) {
  const bool hex = s.size() > 2 && (s[2] == 'x' || s[2] == 'X');
  std::size_t i = hex ? 3 : 2;
  const std::size_t digits_start = i;
  char32_t value = 0;
  for (; i < s.size() && i - digits_start < 8; ++i) {
    const char c = s[i];
    int digit = c >= '0' && c <= '9'          ? c - '0'
                : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                              : -1;
    if (digit < 0) break;
    value = value * (hex ? 16 : 10) + static_cast<char32_t>(digit);
  }
  if (i == digits_start || i >= s.size() || s[i] != ';') return {};
  if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return {};
  return {value, i + 1};
}

}  // namespace

bool FitsGbk(std::string_view character) {
  if (IsAscii(character)) return true;
  std::string bytes;
  return ToGbk().Convert(character, bytes) == 0;
}

std::string DecodeForeignReferences(std::string_view text) {
  std::string out;
  std::size_t done = 0;
  for (std::size_t at = text.find("&#"); at != std::string_view::npos;
       at = text.find("&#", at + 1)) {
    const CodePoint reference = ReadReference(text.substr(at));
    if (reference.length == 0) continue;
    const std::string character = EncodeUtf8(reference.value);
    if (FitsGbk(character)) continue;
    out.append(text.substr(done, at - done)).append(character);
    done = at + reference.length;
    at = done - 1;
  }
  if (done == 0) return std::string(text);
  return out.append(text.substr(done));
}

std::int16_t GbkCode(std::string_view character) {
  if (character.size() == 1 && IsAscii(character)) return character[0];
  std::string bytes;
  if (ToGbk().Convert(character, bytes) != 0) return kUnrepresentable;
  if (bytes.size() == 1) return static_cast<unsigned char>(bytes[0]);
  if (bytes.size() != 2 || static_cast<unsigned char>(bytes[0]) < 0x81) return kUnrepresentable;
  int code = static_cast<unsigned char>(bytes[0]) * 256 + static_cast<unsigned char>(bytes[1]);
  return static_cast<std::int16_t>(code - 65536);
}

std::vector<std::int16_t> GbkCodes(std::string_view text) {
  std::vector<std::int16_t> codes;
  for (const std::string& character : strings::Characters(text)) {
    codes.push_back(GbkCode(character));
  }
  return codes;
}

std::string Utf8ToGbk(std::string_view text) {
  if (IsAscii(text)) return std::string(text);
  std::string out;
  out.reserve(text.size());
  while (ToGbk().Convert(text, out) != 0) {
    CodePoint cp = DecodeFirst(text);
    if (cp.length == 0) {
      out += '?';
      text.remove_prefix(1);
    } else {
      out += "&#" + std::to_string(static_cast<std::uint32_t>(cp.value)) + ";";
      text.remove_prefix(cp.length);
    }
  }
  return out;
}

std::string GbkToUtf8(std::string_view bytes) {
  if (IsAscii(bytes)) return std::string(bytes);
  std::string out;
  out.reserve(bytes.size() * 3 / 2);
  while (FromGbk().Convert(bytes, out) != 0) {
    out += kReplacementCharacter;
    bytes.remove_prefix(1);
  }
  return out;
}

}  // namespace ravochat::text
