// The checks that the posting, the login and moderation share over the chat's restraint
// memory: a posted line too fast (flood control), a login too many from one address, a name
// held back after wrong passwords. The limits are the "_flood...", "_loginsperminute" and
// "_loginfail..." settings; 0 switches one off.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ravochat/host.h"
#include "ravochat/value.h"
#include "state/chat_state.h"

namespace ravochat::state {

// What flood control makes of a posted line.
enum class PostVerdict {
  kPass,      // within the limit
  kTooFast,   // past the flood limit: refused, nothing stored
  kSendAway,  // past the limit once too often: refused, and the poster is sent away
};

// Counts a line of `name` at `now` against the flood limit of chat `prefix`. Throws nothing.
PostVerdict CheckPost(const Application& app, ChatState& chat, std::string_view prefix,
                      const std::string& name, Date now) REQUIRES(chat.mutex());

// The minutes a flooder is sent away for ("_floodkick").
std::int32_t SendAwayMinutes(const Application& app, std::string_view prefix);

// Counts a login from `address` at `now`; true when it goes past the logins per minute.
bool LoginTooFrequent(Application& app, std::string_view prefix, const std::string& address,
                      Date now);

// True when the user `name` (any letter case) had "_loginfails" wrong passwords within the
// last "_loginfailminutes" minutes before `now`: his logins are refused, from every address.
bool PasswordGuessingLimited(Application& app, std::string_view prefix, const std::string& name,
                             Date now);

// The guessing limit: at most `fails` wrong passwords in `seconds`.
struct GuessLimit {
  std::int64_t fails;
  std::int64_t seconds;
};

// Counts a wrong password for the user `name` at `now`. Returns the limit when this one
// reaches it (the one to log), else nullopt.
std::optional<GuessLimit> NoteWrongPassword(Application& app, std::string_view prefix,
                                            const std::string& name, Date now);

}  // namespace ravochat::state
