// The visitor's own user record as a message operation edits it, and reading text values
// without a copy.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ravochat/value.h"

namespace ravochat::messages {

// Notes in the user record `fields` of `name` that he was sent every message up to number
// `newest` at `now`: his last poll time and last received number. Throws ListKeyError for a
// record too short.
void MarkSent(std::vector<std::string>& fields, Date now, std::string newest,
              std::string_view name);

// The text `v` holds, without a copy; any other kind is converted into `scratch`.
const std::string& TextOf(const Value& v, std::string& scratch);

}  // namespace ravochat::messages
