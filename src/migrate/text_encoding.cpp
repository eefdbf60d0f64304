// Encoding detection and the names of the encodings on the command line.
#include "migrate/text_encoding.h"

#include <array>
#include <cstdint>
#include <fstream>
#include <string>

#include "core/strings.h"

namespace ravochat::migration {
namespace {

// Bytes a UTF-8 sequence beginning with `lead` continues with; -1 for a byte that cannot
// begin one (overlong two-byte leads included).
int Continuations(std::uint8_t lead) {
  if (lead < 0x80) return 0;
  if (lead >= 0xC2 && lead <= 0xDF) return 1;
  if (lead >= 0xE0 && lead <= 0xEF) return 2;
  if (lead >= 0xF0 && lead <= 0xF4) return 3;
  return -1;
}

}  // namespace

std::optional<Encoding> DetectEncoding(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw MigrationError("cannot open " + file.string());
  std::array<char, 1 << 16> block;
  int pending = 0;  // continuation bytes still expected, across blocks
  bool ascii = true;
  while (in.read(block.data(), block.size()) || in.gcount() > 0) {
    for (std::streamsize i = 0; i < in.gcount(); ++i) {
      const auto byte = static_cast<std::uint8_t>(block[i]);
      ascii = ascii && byte < 0x80;
      if (pending > 0) {
        if ((byte & 0xC0) != 0x80) return Encoding::kGbk;
        --pending;
      } else if ((pending = Continuations(byte)) < 0) {
        return Encoding::kGbk;
      }
    }
  }
  if (pending > 0) return Encoding::kGbk;
  return ascii ? std::nullopt : std::optional(Encoding::kUtf8);
}

Encoding ParseEncoding(const std::string& name) {
  const std::string lower = strings::ToLowerAscii(name);
  if (lower == "gbk" || lower == "gb2312" || lower == "cp936") return Encoding::kGbk;
  if (lower == "utf-8" || lower == "utf8") return Encoding::kUtf8;
  throw MigrationError("unknown encoding " + name + ": gbk or utf-8");
}

}  // namespace ravochat::migration
