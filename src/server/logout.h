// Leaving the chat: a visitor's record leaves the user list and his name his room's
// occupant list, a departure line goes to his room, and the out_time of his user row
// becomes now. close.asp does it for one visitor; the idle sweep (usercheck.asp and
// the server's own once-a-minute sweep) for everyone whose last poll or post is more
// than three minutes old, so that a quiet chat keeps no ghosts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ravochat/clock.h"
#include "ravochat/host.h"
#include "server/sessions.h"

namespace ravochat::server {

// A visitor whose last poll or post is older than this is logged out by the sweep.
inline constexpr std::int64_t kIdleSeconds = 3 * 60;

// Logs `name` out of the chat of `prefix`. Returns false, changing nothing, when he is
// not online. Throws DatabaseError when his user row cannot be updated (the lists have
// been changed by then), ListKeyError for a damaged room list.
bool LogOut(Application& app, std::string_view prefix, const std::string& name, const Clock& clock);

// A visitor the sweep logged out: his name and the session token of his record.
struct Departure {
  std::string name;
  std::string token;
};

// Logs out every visitor of the chat of `prefix` idle for more than kIdleSeconds.
// Throws as LogOut.
std::vector<Departure> LogOutIdle(Application& app, std::string_view prefix, const Clock& clock);

// Clears myname and mytemp in the sessions of `sessions` that still hold a departed
// visitor's name and token (he has not logged in again since).
void ForgetInSessions(SessionStore& sessions, const std::vector<Departure>& gone);

}  // namespace ravochat::server
