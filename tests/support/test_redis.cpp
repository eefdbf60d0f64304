#include "support/test_redis.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string_view>

namespace ravochat::testing {

std::string TestRedisAddress() {
  std::string address;
  const char* servers = std::getenv("RAVOCHAT_TEST_SERVERS");
  if (servers != nullptr) {
    std::getline(std::ifstream(std::string(servers) + "/redis/server") >> std::ws, address);
  }
  if (!address.empty()) return address;
  const std::string why = "no Redis test server: ctest starts one (RAVOCHAT_TEST_SERVERS names it)";
  const char* ci = std::getenv("CI");
  if (ci != nullptr && std::string_view(ci) == "true") {
    [&] { FAIL() << why; }();
  } else {
    [&] { GTEST_SKIP() << why; }();
  }
  return "";
}

}  // namespace ravochat::testing
