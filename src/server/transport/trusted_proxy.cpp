// Address parsing, network matching and the walk back through X-Forwarded-For.
#include "transport/trusted_proxy.h"

#include <arpa/inet.h>

#include <charconv>
#include <cstring>

namespace ravochat::server {
namespace {

constexpr int kMappedPrefixBits = 96;

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

bool IsMappedV4(const AddressBytes& bytes) {
  static constexpr std::uint8_t kPrefix[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
  return std::memcmp(bytes.data(), kPrefix, sizeof kPrefix) == 0;
}

// True when the first `bits` bits of `a` and `b` agree.
bool SamePrefix(const AddressBytes& a, const AddressBytes& b, int bits) {
  for (int i = 0; bits > 0; ++i, bits -= 8) {
    const int mask = bits >= 8 ? 0xff : (0xff << (8 - bits)) & 0xff;
    if (((a[i] ^ b[i]) & mask) != 0) return false;
  }
  return true;
}

// The entries of a comma-separated header, trimmed, empty ones left out.
std::vector<std::string_view> Entries(std::string_view list) {
  std::vector<std::string_view> entries;
  while (!list.empty()) {
    const auto comma = list.find(',');
    const std::string_view entry = TrimBlanks(list.substr(0, comma));
    if (!entry.empty()) entries.push_back(entry);
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
  return entries;
}

std::string Join(const std::vector<std::string_view>& entries, std::size_t count) {
  std::string joined;
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) joined += ", ";
    joined += entries[i];
  }
  return joined;
}

}  // namespace

std::optional<AddressBytes> ParseAddress(std::string_view text) {
  const std::string copy(text);
  AddressBytes bytes{};
  in_addr v4{};
  if (inet_pton(AF_INET, copy.c_str(), &v4) == 1) {
    bytes[10] = bytes[11] = 0xff;
    std::memcpy(bytes.data() + 12, &v4, 4);
    return bytes;
  }
  if (inet_pton(AF_INET6, copy.c_str(), bytes.data()) == 1) return bytes;
  return std::nullopt;
}

bool IsLoopback(std::string_view address) {
  const auto bytes = ParseAddress(address);
  if (!bytes) return false;
  if (IsMappedV4(*bytes)) return (*bytes)[12] == 127;
  static constexpr AddressBytes kV6Loopback = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
  return *bytes == kV6Loopback;
}

bool TrustedProxies::Add(std::string_view list) {
  std::vector<Network> added;
  for (std::string_view item : Entries(list)) {
    const auto slash = item.find('/');
    const auto base = ParseAddress(item.substr(0, slash));
    if (!base) return false;
    // Bits count in the family the address was written in.
    const int length = item.substr(0, slash).find(':') == std::string_view::npos ? 32 : 128;
    int bits = length;
    if (slash != std::string_view::npos) {
      const std::string_view digits = item.substr(slash + 1);
      const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), bits);
      if (ec != std::errc() || end != digits.data() + digits.size() || bits < 0 || bits > length)
        return false;
    }
    added.push_back({*base, length == 32 ? bits + kMappedPrefixBits : bits});
  }
  if (added.empty()) return false;
  networks_.insert(networks_.end(), added.begin(), added.end());
  return true;
}

bool TrustedProxies::Trusts(std::string_view address) const {
  const auto bytes = ParseAddress(address);
  if (!bytes) return false;
  for (const Network& network : networks_) {
    if (SamePrefix(*bytes, network.base, network.bits)) return true;
  }
  return false;
}

Origin TrustedProxies::Resolve(std::string_view peer, std::string_view forwarded_for) const {
  if (!Trusts(peer)) return {std::string(peer), std::string(forwarded_for)};
  const std::vector<std::string_view> entries = Entries(forwarded_for);
  if (entries.empty()) return {std::string(peer), ""};
  std::size_t i = entries.size() - 1;
  // Each trusted hop vouches for the entry it added; stop at the first one it cannot.
  while (i > 0 && Trusts(entries[i])) --i;
  return {std::string(entries[i]), Join(entries, i)};
}

}  // namespace ravochat::server
