// The one place the chatter-to-chatter features reach the chat's state: whether a user is
// online, and a system line for one visitor (or for everybody) through the says ring.
#pragma once

#include <string>
#include <string_view>

#include "ravochat/clock.h"
#include "ravochat/host.h"

namespace ravochat::social {

// True when `name` (exact spelling) is in the chat of `prefix`.
bool IsOnline(Application& app, std::string_view prefix, std::string_view name);

// Appends `script_text` (already safe inside a single-quoted script string) to the ring
// of the chat of `prefix` as a system line seen in every room: a private one that only
// `to_who` sees, or a public one when `to_who` is "大家". Holds the application lock.
// Throws ConversionError or ListKeyError for a damaged ring.
void PostSystemLine(Application& app, std::string_view prefix, const Clock& clock,
                    const std::string& to_who, const std::string& script_text);

}  // namespace ravochat::social
