#include "support/test_redis.h"

#include <cstdlib>
#include <fstream>

#include "support/temp_database.h"

namespace ravochat::testing {

std::string TestRedisAddress() {
  std::string address;
  const char* servers = std::getenv("RAVOCHAT_TEST_SERVERS");
  if (servers != nullptr) {
    std::getline(std::ifstream(std::string(servers) + "/redis/server") >> std::ws, address);
  }
  if (address.empty()) {
    SkipOrFail("no Redis test server: ctest starts one (RAVOCHAT_TEST_SERVERS names it)");
  }
  return address;
}

}  // namespace ravochat::testing
