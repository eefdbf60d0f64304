// Finding the test run's Redis server, or skipping (failing on CI) without it.
#include "support/test_redis.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace ravochat::testing {

std::string TestRedisAddress() {
  const char* file = std::getenv("RAVOCHAT_TEST_REDIS");
  std::string address;
  if (file != nullptr && std::getline(std::ifstream(file) >> std::ws, address)) return address;
  const char* ci = std::getenv("CI");
  if (ci != nullptr && std::string(ci) == "true") {
    [] { FAIL() << "no Redis test server (RAVOCHAT_TEST_REDIS): is Redis installed?"; }();
  } else {
    [] { GTEST_SKIP() << "no Redis test server (RAVOCHAT_TEST_REDIS): is Redis installed?"; }();
  }
  return "";
}

}  // namespace ravochat::testing
