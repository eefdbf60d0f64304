// Character-level text rules on UTF-8: a character is a lead byte and its continuation
// bytes (10xxxxxx), so counting never splits a Chinese character.
#include "strings.h"

namespace ravochat::strings {
namespace {

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Byte length of the character that starts at `pos`.
std::size_t CharSize(std::string_view s, std::size_t pos) {
  std::size_t end = pos + 1;
  while (end < s.size() && IsContinuation(s[end])) ++end;
  return end - pos;
}

}  // namespace

std::size_t Length(std::string_view s) {
  std::size_t n = 0;
  for (char c : s) n += IsContinuation(c) ? 0 : 1;
  return n;
}

std::string Left(std::string_view s, std::size_t n) {
  std::size_t pos = 0;
  for (std::size_t i = 0; i < n && pos < s.size(); ++i) pos += CharSize(s, pos);
  return std::string(s.substr(0, pos));
}

std::string Trim(std::string_view s) { return std::string(TrimView(s)); }

std::string_view TrimView(std::string_view s) {
  std::size_t start = s.find_first_not_of(' ');
  if (start == std::string_view::npos) return {};
  return s.substr(start, s.find_last_not_of(' ') - start + 1);
}

std::string Replace(std::string_view s, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(s);
  std::string out;
  out.reserve(s.size());
  std::size_t pos = 0;
  for (std::size_t hit; (hit = s.find(from, pos)) != std::string_view::npos;
       pos = hit + from.size()) {
    out.append(s.substr(pos, hit - pos)).append(to);
  }
  out.append(s.substr(pos));
  return out;
}

std::string ReplaceFirst(std::string_view s, std::string_view from, std::string_view to) {
  std::size_t hit = from.empty() ? std::string_view::npos : s.find(from);
  if (hit == std::string_view::npos) return std::string(s);
  std::string out;
  out.reserve(s.size() + to.size());
  out.append(s.substr(0, hit)).append(to).append(s.substr(hit + from.size()));
  return out;
}

std::vector<std::string> Split(std::string_view s, std::string_view sep) {
  std::vector<std::string> pieces;
  if (s.empty()) return pieces;
  if (sep.empty()) {
    pieces.emplace_back(s);
    return pieces;
  }
  std::size_t pos = 0;
  for (std::size_t hit; (hit = s.find(sep, pos)) != std::string_view::npos;
       pos = hit + sep.size()) {
    pieces.emplace_back(s.substr(pos, hit - pos));
  }
  pieces.emplace_back(s.substr(pos));
  return pieces;
}

std::string Join(const std::vector<std::string>& pieces, std::string_view sep) {
  std::size_t size = pieces.empty() ? 0 : sep.size() * (pieces.size() - 1);
  for (const std::string& piece : pieces) size += piece.size();
  std::string out;
  out.reserve(size);
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (i > 0) out.append(sep);
    out.append(pieces[i]);
  }
  return out;
}

std::string ToLowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = LowerAscii(c);
  return out;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

std::vector<std::string> Characters(std::string_view s) {
  std::vector<std::string> chars;
  chars.reserve(s.size());
  for (std::size_t pos = 0; pos < s.size();) {
    std::size_t size = CharSize(s, pos);
    chars.emplace_back(s.substr(pos, size));
    pos += size;
  }
  return chars;
}

}  // namespace ravochat::strings
