// Checks of the values the housekeeping routines are given.
#include "housekeeping/routine_inputs.h"

#include <cmath>
#include <cstdint>
#include <string>

#include "core/convert.h"
#include "ravochat/error.h"

namespace ravochat::housekeeping {

bool IsApplyMode(const Value& umod) {
  if (umod.IsEmpty() || umod.IsNull() || !convert::IsNumeric(umod)) return false;
  return convert::ToDouble(umod) == 1.0;
}

Value NumericLimit(const Value& limit, std::string_view what) {
  // An unset limit would read as 0 and clear far more than intended, so it is refused too.
  const bool numeric = !limit.IsEmpty() && !limit.IsNull() && convert::IsNumeric(limit);
  const double number = numeric ? convert::ToDouble(limit) : 0.0;
  if (!numeric || !std::isfinite(number)) {
    const std::string shown = limit.AsText() ? *limit.AsText() : "";
    throw ConversionError(std::string(what) + " is not a number: '" + shown + "'");
  }
  constexpr double kWholeRange = 9.0e15;
  if (std::trunc(number) == number && std::fabs(number) < kWholeRange) {
    return Value(static_cast<std::int64_t>(number));
  }
  return Value(number);
}

db::Connection& OpenedConnection(const std::unique_ptr<db::Connection>& conn) {
  if (!conn) throw DatabaseError("housekeeping needs an open database connection");
  return *conn;
}

}  // namespace ravochat::housekeeping
