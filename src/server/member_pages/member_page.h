// What the pages of a chatter's own things share (settings, calls, guest book, friends):
// finding the logged-in visitor, refusing forms without the session's token or sent
// from another site, and the frame of every such page.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "page.h"
#include "ravochat/social.h"

namespace ravochat::server {

// The visitor of the page's session when he is validly in the chat.
std::optional<social::Member> FindMember(Page& page);

// The refusal of a form without the session's token.
inline constexpr std::string_view kFormExpired = "表单已经过期，请重新提交！";

// The answer to a visitor who is not in the chat.
HttpResponse NotInChat(Page& page);

// True for a POST that carries the session's form token and that the browser did not mark
// as sent from another site.
bool FormAccepted(Page& page);

// True unless the browser marked the request as sent from another site.
bool SameSiteRequest(Page& page);

// A page of the chatter's own things: `title`, the links between these pages, a line for
// `message` (HTML) when there is one, and the HTML `body`.
HttpResponse MemberPage(Page& page, std::string_view title, std::string_view message,
                        std::string_view body);

// "<p class=message>" line of a refusal (shown in red) or of `done` when `refusal` is "".
std::string Outcome(std::string_view refusal, std::string_view done);

}  // namespace ravochat::server
