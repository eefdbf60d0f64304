// The hourly login histogram "_hour24": 25 whole numbers joined by ",". Items 0 to 23
// count the logins of each clock hour over the last day; item 24 is the clock hour of
// the latest counted login. The histogram moves forward only on logins.
#pragma once

#include <optional>
#include <string>
#include <utility>

#include <string_view>
#include "ravochat/value.h"

namespace ravochat::housekeeping {

inline constexpr int kHourItems = 25;
// The clock hour whose first login runs the daily clean-up.
inline constexpr int kCleanUpHour = 14;

struct HourCount {
  std::string hour24;     // the histogram with the login counted
  bool new_hour = false;  // the first counted login of its hour
};

// Counts one login at clock hour `hour` (0 to 23) into `hour24`. In the hour of the
// latest login it adds 1 to that hour; in a new hour it sets the hours without logins
// since then to 0 and the new hour to 1. A `hour24` that is not 25 numbers with an hour
// from 0 to 23 last is taken as a histogram without any login.
// CountHour("0,...,0,5,0,...,0,10", 13) clears items 11 and 12 and ends in "1,...,13".
HourCount CountHour(std::string_view hour24, int hour);

// The "_hourwork" text of the work of clock hour `hour` claimed at `at`, and back; nothing
// for a text that is not one (no work pending).
std::string HourClaim(int hour, Date at);
std::optional<std::pair<int, Date>> ReadHourClaim(std::string_view claim);

}  // namespace ravochat::housekeeping
