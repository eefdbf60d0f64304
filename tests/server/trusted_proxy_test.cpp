// Trusted proxies: which peers are believed, and the visitor's address behind them.
#include "server/trusted_proxy.h"

#include "gtest/gtest.h"

namespace ravochat::server {
namespace {

TEST(TrustedProxies, NetworksMatchByPrefixInBothFamilies) {
  TrustedProxies trusted;
  ASSERT_TRUE(trusted.Add("10.1.0.0/16, 192.0.2.7 ,fd00::/8"));
  ASSERT_TRUE(trusted.Add("::ffff:198.51.100.0/120"));
  const std::vector<std::pair<std::string, bool>> cases = {
      {"10.1.255.3", true},      {"10.2.0.1", false}, {"192.0.2.7", true},  {"192.0.2.8", false},
      {"::ffff:10.1.0.9", true}, {"fd12::1", true},   {"fe80::1", false},   {"198.51.100.20", true},
      {"unknown", false},        {"", false},         {"10.1.0.1 ", false},
  };
  for (const auto& [address, trusts] : cases) {
    EXPECT_EQ(trusted.Trusts(address), trusts) << address;
  }
  EXPECT_TRUE(TrustedProxies().empty());
}

TEST(TrustedProxies, AMistakeInTheListAddsNothing) {
  for (std::string_view list :
       {"10.0.0.0/33", "::/129", "10.0.0.1/", "10.0.0.1/x", "host", "", " , ", "10.0.0.1,nope"}) {
    TrustedProxies trusted;
    EXPECT_FALSE(trusted.Add(list)) << list;
    EXPECT_TRUE(trusted.empty()) << list;
  }
}

TEST(TrustedProxies, TheVisitorIsTheRightMostUntrustedForwardedAddress) {
  TrustedProxies trusted;
  ASSERT_TRUE(trusted.Add("127.0.0.1,10.0.0.0/8"));
  struct Case {
    std::string peer, forwarded_for, address, beyond;
  };
  const std::vector<Case> cases = {
      // Untrusted peers are taken as they come, their header included.
      {"203.0.113.9", "1.2.3.4", "203.0.113.9", "1.2.3.4"},
      {"127.0.0.1", "", "127.0.0.1", ""},
      {"127.0.0.1", "203.0.113.5", "203.0.113.5", ""},
      // A visitor's own proxy stays a proxy; forged entries left of it change nothing.
      {"127.0.0.1", "6.6.6.6, 198.51.100.7 ,203.0.113.5", "203.0.113.5", "6.6.6.6, 198.51.100.7"},
      {"127.0.0.1", "203.0.113.5, 10.0.0.2", "203.0.113.5", ""},
      {"127.0.0.1", "10.0.0.3, 10.0.0.2", "10.0.0.3", ""},
      {"127.0.0.1", "1.1.1.1, unknown, 10.0.0.2", "unknown", "1.1.1.1"},
      {"127.0.0.1", " , 203.0.113.5,", "203.0.113.5", ""},
  };
  for (const Case& c : cases) {
    const Origin origin = trusted.Resolve(c.peer, c.forwarded_for);
    EXPECT_EQ(origin.address, c.address) << c.forwarded_for;
    EXPECT_EQ(origin.forwarded_for, c.beyond) << c.forwarded_for;
  }
}

TEST(TrustedProxies, LoopbackIsTheLoopbackNetworksAndNothingThatOnlyLooksLikeThem) {
  EXPECT_TRUE(IsLoopback("127.0.0.1"));
  EXPECT_TRUE(IsLoopback("127.255.0.9"));
  EXPECT_TRUE(IsLoopback("::1"));
  EXPECT_TRUE(IsLoopback("::ffff:127.0.0.1"));
  EXPECT_FALSE(IsLoopback("127.evil"));
  EXPECT_FALSE(IsLoopback("128.0.0.1"));
  EXPECT_FALSE(IsLoopback("::2"));
}

}  // namespace
}  // namespace ravochat::server
