// Finding the test run's Redis server, or skipping (failing on CI) without it.
#include "support/test_redis.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string_view>

namespace ravochat::testing {

std::string TestRedisAddress() {
  std::string why;
  std::string address;
  const char* file = std::getenv("RAVOCHAT_TEST_REDIS");
  if (file == nullptr) {
    why = "no Redis test server: ctest starts one (RAVOCHAT_TEST_REDIS names it)";
  } else if (!std::getline(std::ifstream(file) >> std::ws, address) || address.empty()) {
    why = "no Redis test server at " + std::string(file) + ": is Redis installed?";
  } else {
    return address;
  }
  const char* ci = std::getenv("CI");
  if (ci != nullptr && std::string_view(ci) == "true") {
    [&] { FAIL() << why; }();
  } else {
    [&] { GTEST_SKIP() << why; }();
  }
  return "";
}

}  // namespace ravochat::testing
