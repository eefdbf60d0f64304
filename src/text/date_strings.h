// The fixed text forms of a moment that messages, titles and tokens are stamped with:
// "hh:mm:ss", "yyyy-mm-dd" and both joined by one space.
#pragma once

#include <string>

#include "ravochat/value.h"

namespace ravochat::text {

// "hh:mm:ss" of `d`: TimeText of 09:05:07 on any day == "09:05:07".
std::string TimeText(Date d);
// "yyyy-mm-dd" of `d`: the first of March 2026 gives "2026-03-01".
std::string DateText(Date d);
// DateText, one space, TimeText.
std::string DateTimeText(Date d);

}  // namespace ravochat::text
