// The visitor a request works for, as the chat's user list holds him: finding and checking
// him (the one rule behind getLevel), and noting what he was sent.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ravochat/host.h"
#include "ravochat/value.h"
#include "state/chat_state.h"

namespace ravochat::messages {

// The session keys that tie a browser to its visitor's record: his name, and the token his
// record holds in user_field::kToken.
inline constexpr std::string_view kSessionName = "myname";
inline constexpr std::string_view kSessionToken = "mytemp";

// The session's visitor: his name (the session's, trimmed) and, when listed, his record.
struct ListedVisitor {
  std::string name{};
  std::vector<std::string> record{};  // empty when he is not listed
  std::int32_t room = 0;              // his record's room
  int level = 0;                      // 0 unless validly logged in
};

// The visitor whose record is `record`: his room, and his effective level when the session's
// token is his record's. The caller still takes the level away when the room is not listed.
// Throws ListKeyError for a record too short, ConversionError for a non-numeric level or room.
ListedVisitor CheckRecord(const Session& session, std::string name,
                          std::vector<std::string> record);

// The session's visitor in the chat `chat`. Throws as CheckVisitor.
ListedVisitor FindVisitor(const Session& session, const state::ChatState& chat)
    REQUIRES(chat.mutex());

// The trimmed name the session holds.
std::string SessionName(const Session& session);

// Notes in the user record of `name` that he was sent every message up to number `newest` at
// `now`: his last poll time and last received number. Throws ListKeyError for a record too
// short or missing.
void MarkSent(state::ChatState& chat, const std::string& name, Date now, std::string newest)
    REQUIRES(chat.mutex());

// The text `v` holds, without a copy; any other kind is converted into `scratch`.
const std::string& TextOf(const Value& v, std::string& scratch);

}  // namespace ravochat::messages
