// The level every check of the chat uses for a user: his own level, raised by a temporary
// level (a vrecord row) only when that is above 5 and above his own. The login, the moderator's
// view of a user and the granting of a temporary level all follow this rule.
#pragma once

#include <cstdint>
#include <string>

#include "ravochat/database.h"
#include "ravochat/value.h"

namespace ravochat::levels {

// A temporary level counts only above this.
inline constexpr std::int64_t kTemporaryLevelFloor = 5;

// `temporary` when it is a number above kTemporaryLevelFloor and above `user_level`, else
// `user_level`; an empty or null `temporary` is none: Effective(3, 8) == 8,
// Effective(3, 5) == 3, Effective(9, 8) == 9. Throws ConversionError for a non-numeric level.
Value Effective(const Value& user_level, const Value& temporary);

// The effective level of `name` (any letter case) whose own level is `user_level`: the first
// vrecord row of his with a temporary level above kTemporaryLevelFloor counts. Throws
// DatabaseError, ConversionError.
Value Effective(db::Connection& conn, const std::string& name, const Value& user_level);

}  // namespace ravochat::levels
