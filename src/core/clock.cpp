// The server's local clock, read to the second through localtime_r.
#include "ravochat/clock.h"

#include <ctime>

#include "convert.h"

namespace ravochat {

Date SystemClock::Now() const {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return convert::FromCivil({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                             local.tm_min, local.tm_sec});
}

const SystemClock& SystemClock::Instance() {
  static const SystemClock clock;
  return clock;
}

}  // namespace ravochat
