// The per-session form token: every form that changes something carries the session's
// token in a hidden field, and the page that takes the form changes nothing without it,
// so another site cannot submit the form for a logged-in visitor.
#pragma once

#include <string>
#include <string_view>

#include "ravochat/host.h"

namespace ravochat::server {

// The name of the hidden field and of the session value that hold the token.
inline constexpr std::string_view kFormTokenName = "formtoken";

// The session's token, made (32 hexadecimal digits) and stored in `session` on first use.
std::string FormToken(Session& session);

// The hidden input that carries the session's token in a form.
std::string FormTokenInput(Session& session);

// True when `given` is the token of `session`; never for a session that has none.
bool FormTokenMatches(Session& session, std::string_view given);

// True when the browser marked the request as sent from another site
// ("Sec-Fetch-Site: cross-site"); such a request must change nothing.
bool IsCrossSite(std::string_view sec_fetch_site);

}  // namespace ravochat::server
