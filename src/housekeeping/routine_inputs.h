// What the housekeeping routines take from their callers: the apply/preview switch, the
// numeric limits from the configuration, and the connection the caller opened. Limits are
// checked before any statement runs and reach SQL only as bound numbers.
#pragma once

#include <memory>
#include <string_view>

#include "ravochat/database.h"
#include "ravochat/value.h"

namespace ravochat::housekeeping {

// True when `umod` is the number 1 (or numeric text for it): apply and log. Every other
// value, the empty one and non-numeric text included, means preview.
bool IsApplyMode(const Value& umod);

// `limit` as a number to bind: a whole number when it has no fraction, else a double.
// Throws ConversionError naming `what` when it is empty, null, not numeric or not finite.
Value NumericLimit(const Value& limit, std::string_view what);

// The connection the caller opened. Throws DatabaseError when there is none.
db::Connection& OpenedConnection(const std::unique_ptr<db::Connection>& conn);

}  // namespace ravochat::housekeeping
