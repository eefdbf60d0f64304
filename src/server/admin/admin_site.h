// What the pages of the administration site (/admin/) share: who may see them, the forms
// that may change something, and the frame of every page.
// With an operator password set, every page but the sign-in asks for the operator's session,
// from any address; without one, the site answers loopback requests alone, as before.
#pragma once

#include <functional>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "page.h"
#include "ravochat/administration.h"
#include "ravochat/moderation.h"

namespace ravochat::server::admin {

// The session value of a signed-in operator.
inline constexpr std::string_view kSignedIn = "operator";

// True when the request may see the administration pages.
bool Allowed(Page& page);
// The answer to a request that may not: the sign-in page, or 404 where the site is closed.
HttpResponse Refuse(Page& page);
// True for a POST from an allowed operator that carries his session's form token and that
// the browser did not mark as sent from another site.
bool FormAccepted(Page& page);
// The hidden input of the operator session's form token.
std::string TokenInput(Page& page);

// A page of the site: `title`, the links between the pages, `message` (HTML) and `body`.
HttpResponse Frame(Page& page, std::string_view title, std::string_view message,
                   std::string_view body);
// The message line of an outcome: done in green, refused in red.
std::string Message(const moderation::Outcome& outcome);
// The refusal of a form without the token.
std::string Expired();
// The message line of a request: "" for a GET; for a POST the refusal when the form lacks
// the session's token, else the message `act` returns after acting on the form.
std::string Posted(Page& page, const std::function<std::string()>& act);
// The whole number of the request item `name` within [low, high], or nullopt.
std::optional<std::int32_t> Number(Page& page, std::string_view name, std::int32_t low,
                                   std::int32_t high);
// The operator's moderation actions and console, on the page's chat.
moderation::Moderator Operator(Page& page);
administration::Console ConsoleOf(Page& page);
// A table cell holding `text`, escaped.
std::string Cell(std::string_view text);
// A form posting to `action` with the token, the hidden do=`what`, `fields` and a button.
std::string Form(Page& page, std::string_view action, std::string_view what,
                 std::string_view fields, std::string_view button);

// The pages.
HttpResponse SignIn(Page& page);
HttpResponse SignOut(Page& page);
HttpResponse Visitors(Page& page);
HttpResponse Accounts(Page& page);
HttpResponse Locks(Page& page);
HttpResponse Rooms(Page& page);
HttpResponse Settings(Page& page);
HttpResponse Log(Page& page);
HttpResponse Statistics(Page& page);
HttpResponse Maintenance(Page& page);
HttpResponse Notices(Page& page);
HttpResponse Actions(Page& page);

}  // namespace ravochat::server::admin
