// The Redis server of the test run, which ctest starts and names in RAVOCHAT_TEST_REDIS.
#pragma once

#include <string>

namespace ravochat::testing {

// Its address ("unix:/tmp/.../redis.sock"). Without one it skips the current test with the
// reason (fails it on CI, CI=true) and returns "": the caller then returns at once.
std::string TestRedisAddress();

}  // namespace ravochat::testing
