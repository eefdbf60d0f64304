// Flood control and the other checks moderation adds to the chat's own paths: a posted line
// (too fast, sent away, or a moderation command), a login (too many from one address), a
// poll (the visitor was sent away). The limits are the "_flood...", "_loginsperminute" and
// "_loginfail..." settings; 0 switches one off.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "ravochat/clock.h"
#include "ravochat/database.h"
#include "ravochat/host.h"
#include "state/chat_state.h"

namespace ravochat::moderation {

// What becomes of a posted line before it is read.
enum class PostVerdict {
  kPass,      // an ordinary line
  kTooFast,   // past the flood limit: refused, nothing stored
  kSendAway,  // past the limit once too often: refused, and the poster is sent away
  kCommand,   // a moderation command
};

// Counts the line `says` of `name` at `now` against the flood limit of chat `prefix` and tells
// a moderation command apart. Throws nothing.
PostVerdict CheckPost(const Application& app, state::ChatState& chat, std::string_view prefix,
                      const std::string& name, Date now, const std::string& says)
    REQUIRES(chat.mutex());

// Settles a line that did not pass: sends the flooder away, or takes the command of the
// session's visitor in room `room`. Returns the system line for the poster alone, safe inside
// a single-quoted script string. Throws DatabaseError.
std::string SettlePost(Application& app, Session& session, std::string_view prefix,
                       const Clock& clock, PostVerdict verdict, const std::string& name,
                       const std::string& says, std::int32_t room);

// Counts a login from `address` at `now`; true when it goes past the logins per minute.
bool LoginTooFrequent(Application& app, std::string_view prefix, const std::string& address,
                      Date now);

// True when the user `name` (any letter case) had "_loginfails" wrong passwords within the
// last "_loginfailminutes" minutes before `now`: his logins are refused, from every address.
bool PasswordGuessingLimited(Application& app, std::string_view prefix, const std::string& name,
                             Date now);

// Counts a wrong password for the user `name` at `now`; the one that reaches the limit writes
// one line to the management log through `conn`. Throws DatabaseError.
void NoteWrongPassword(Application& app, std::string_view prefix, db::Connection& conn,
                       const std::string& name, Date now);

// True, once, when the session's visitor was sent away: his next poll closes his window.
bool TakeSentAway(state::ChatState& chat, const Session& session) REQUIRES(chat.mutex());

// True when `line` is "/" + a moderation action's name, alone or followed by a blank.
bool IsCommand(std::string_view line);

}  // namespace ravochat::moderation
