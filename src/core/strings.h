// Character-level text rules on UTF-8 strings: lengths, cuts and positions count Unicode
// characters, never bytes; trimming removes U+0020 only; splitting the empty text yields
// no pieces. Every operation that counts, cuts or splits text calls these.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// EqualsIgnoreCase, the one case-insensitive comparison, is declared beside the keys it
// compares, where the host sees it too.
#include "ravochat/host.h"

namespace ravochat::strings {

// Number of Unicode characters in `s`.
std::size_t Length(std::string_view s);
// The first `n` characters of `s` (all of it when shorter).
std::string Left(std::string_view s, std::size_t n);
// Blanks (U+0020 only) removed at both ends: Trim("  a b  ") == "a b". TrimView returns
// the part of `s` that remains.
std::string Trim(std::string_view s);
std::string_view TrimView(std::string_view s);
// Every occurrence of `from`, left to right, replaced by `to`; an empty `from` changes nothing.
std::string Replace(std::string_view s, std::string_view from, std::string_view to);
// Only the first occurrence of `from` replaced.
std::string ReplaceFirst(std::string_view s, std::string_view from, std::string_view to);
// `s` cut at every `sep`; the empty text yields no pieces, a missing `sep` the whole text.
std::vector<std::string> Split(std::string_view s, std::string_view sep);
std::string Join(const std::vector<std::string>& pieces, std::string_view sep);
// ASCII letters folded to lower case; other characters unchanged: LowerAscii('Q') == 'q'.
// Inline: the keyed maps of sessions and the application fold every key they hash or compare.
inline char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
std::string ToLowerAscii(std::string_view s);
// Unicode characters of `s` in order, each as its UTF-8 text.
std::vector<std::string> Characters(std::string_view s);

}  // namespace ravochat::strings
