// The Redis server of the test run, which ctest starts (RAVOCHAT_TEST_REDIS names the file
// holding its address).
#pragma once

#include <string>

namespace ravochat::testing {

// The address of the test run's Redis server ("unix:/tmp/.../redis.sock"). When there is
// none it skips the current test with the reason, or on CI (CI=true) fails it, and returns
// "": the caller then returns at once.
std::string TestRedisAddress();

}  // namespace ravochat::testing
