// Random tokens read from getrandom(2), written as lower-case hexadecimal, and their comparison.
#include "ravochat/random_token.h"

#include <sys/random.h>

#include <array>
#include <cstdint>

#include "ravochat/error.h"

namespace ravochat {

std::string RandomToken() {
  std::array<std::uint8_t, 16> bytes{};
  std::size_t filled = 0;
  while (filled < bytes.size()) {
    const ssize_t got = getrandom(bytes.data() + filled, bytes.size() - filled, 0);
    if (got < 0) throw Error("getrandom failed for a random token");
    filled += static_cast<std::size_t>(got);
  }
  static constexpr char kHex[] = "0123456789abcdef";
  std::string token;
  for (std::uint8_t b : bytes) {
    token.push_back(kHex[b >> 4]);
    token.push_back(kHex[b & 15]);
  }
  return token;
}

bool SameSecret(std::string_view a, std::string_view b) {
  unsigned char diff = a.size() == b.size() ? 0 : 1;
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
    diff |= static_cast<unsigned char>(a[i] ^ b[i]);
  }
  return diff == 0;
}

}  // namespace ravochat
