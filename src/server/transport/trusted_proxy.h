// The reverse proxies the server trusts, and where a request really came from. Behind a
// trusted proxy the visitor's address is the right-most X-Forwarded-For entry that is not
// itself trusted; only the entries left of it came from beyond our own proxies.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ravochat::server {

// An address as 16 bytes: IPv4 addresses are held IPv4-mapped (::ffff:a.b.c.d).
using AddressBytes = std::array<std::uint8_t, 16>;

// The bytes of the address text `text` (IPv4 or IPv6), or nullopt when it is none.
std::optional<AddressBytes> ParseAddress(std::string_view text);

// True for an address of the loopback networks (127.0.0.0/8, ::1); false for anything
// that is no address.
bool IsLoopback(std::string_view address);

// Where a request came from, as the chat sees it.
struct Origin {
  // The visitor's address: the peer's, or the one a trusted proxy forwarded.
  std::string address;
  // The X-Forwarded-For entries that came from beyond the trusted proxies, joined by ", ":
  // for an untrusted peer the header as received.
  std::string forwarded_for;
  // The visitor reached us over TLS: directly, or through a trusted proxy that says so
  // (X-Forwarded-Proto: https).
  bool secure = false;
};

class TrustedProxies {
 public:
  // Adds the networks of `list`, "ADDR[/BITS]" items separated by commas; an address
  // without bits is that address alone. Returns false, adding nothing, when an item is
  // no address or its bits exceed the address's length.
  bool Add(std::string_view list);

  bool empty() const { return networks_.empty(); }

  // True when the peer `address` is one of the trusted proxies. Anything that is not an
  // address is untrusted.
  bool Trusts(std::string_view address) const;

  // The origin of a request from `peer` carrying the X-Forwarded-For text `forwarded_for`
  // (every such header joined by commas, "" when none). For a trusted peer the address
  // is the right-most entry that is not trusted, or the left-most when all are; an entry
  // that is no address ends the walk and is taken as the visitor's address, untrusted.
  Origin Resolve(std::string_view peer, std::string_view forwarded_for) const;

 private:
  struct Network {
    AddressBytes base;
    int bits;
  };
  std::vector<Network> networks_;
};

}  // namespace ravochat::server
