// The Redis server that ctest starts for the test run.
#pragma once

#include <string>

namespace ravochat::testing {

// Its address ("unix:/tmp/.../redis.sock"). Without it the current test is skipped with the
// reason, or on CI (CI=true) failed, and the answer is "".
std::string TestRedisAddress();

}  // namespace ravochat::testing
