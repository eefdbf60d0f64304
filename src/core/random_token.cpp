// Random tokens read from getrandom(2), written as lower-case hexadecimal.
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

}  // namespace ravochat
