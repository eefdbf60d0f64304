// The name rules and the lumochat members Chuser and len_ch. The forbidden set is written
// as the conditions on the code that stored installations have always applied; the header
// states the same set in bytes.
#include "text/name_check.h"

#include "core/strings.h"
#include "ravochat/lumochat.h"
#include "text/gbk.h"

namespace ravochat::text {
namespace {

bool HoldsFilteredWord(std::string_view u, std::string_view filter_str) {
  for (const std::string& word : strings::Split(filter_str, ",")) {
    // An empty word (a stray comma) would be found in every name and lock everyone out.
    if (!word.empty() && u.find(word) != std::string_view::npos) return true;
  }
  return false;
}

}  // namespace

bool IsForbiddenNameCode(int code) {
  const int c = code;
  // C++ division and remainder truncate toward zero, with the sign of the dividend.
  const int hi = -c / 256;
  const int lo = -c % 256;
  return c < -32448 || (-24321 < c && c < -22016) || (-352 < c && c < 48) ||
         (lo < 96 && ((79 < hi && hi < 86) || (1 < hi && hi < 8))) || lo == 129 || lo > 192 ||
         (-1 < lo && lo < 2) || (-10247 < c && c < -10241) || (57 < c && c < 97) || c > 122;
}

std::string CleanPermittedCharacters(std::string_view usernameenable) {
  return strings::Replace(strings::Replace(usernameenable, " ", ""), ".", "");
}

bool IsRefusedName(std::string_view u, std::string_view filter_str, std::string& usernameenable) {
  if (HoldsFilteredWord(u, filter_str)) return true;
  usernameenable = CleanPermittedCharacters(usernameenable);
  for (const std::string& character : strings::Characters(u)) {
    if (usernameenable.find(character) != std::string::npos) continue;
    if (IsForbiddenNameCode(GbkCode(character))) return true;
  }
  return false;
}

int NameLength(std::string_view u) {
  int length = 0;
  for (std::int16_t code : GbkCodes(u)) length += code < 0 ? 2 : 1;
  return length;
}

}  // namespace ravochat::text

namespace ravochat {

bool lumochat::Chuser(const std::string& u, std::string& usernameenable) {
  return text::IsRefusedName(u, FilterStr, usernameenable);
}

int lumochat::len_ch(const std::string& u) { return text::NameLength(u); }

}  // namespace ravochat
