// Taking a visitor out of the chat's lists: the one rule behind logging out, the idle sweep
// and sending a visitor away.
#pragma once

#include <optional>
#include <string>

#include "ravochat/host.h"
#include "ravochat/lumochat.h"
#include "state/chat_state.h"

namespace ravochat::rooms {

// Removes the record of `name` from the user list and his name from his room's occupant
// list, and posts the departure line to his room through `component` (whose ConstStr names
// the chat). Returns the session token his record held, or nothing when he was not listed.
// Writes no database row. Throws ListKeyError or ConversionError for a damaged record or ring.
std::optional<std::string> LogOutLocked(lumochat& component, Application& app,
                                        state::ChatState& chat, const std::string& name)
    REQUIRES(chat.mutex());

}  // namespace ravochat::rooms
