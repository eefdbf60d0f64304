// The request items that operations convert to whole numbers, checked before the
// operation runs, so that a visitor's bad value is refused before anything is changed.
#pragma once

#include <string>

#include "ravochat/host.h"

namespace ravochat {

// The operations that read whole numbers from the request.
enum class RequestOf {
  kRefresh,     // "sayid", when given
  kSubsay,      // "id" (an absent one counts as 0); "addsays" when it is a number
  kLoginCheck,  // "room_id" when it is a number
};

// The name of the first item that `operation` would fail to convert (a non-number where a
// number must be, or a number beyond 32 bits); "" when every item converts.
std::string UnfitRequestItem(RequestOf operation, const Request& request);

}  // namespace ravochat
