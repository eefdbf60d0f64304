// The refusal of cross-site requests to the pages that change the chat's state: another
// site must not log a visitor in or out, move him or post for him by a link or a form.
#pragma once

#include <string_view>

#include "transport/http.h"

namespace ravochat::server {

// True for a request that may change state: every POST, and the pages that act on a GET
// (login.asp, say.asp, changeroom.asp, close.asp, usercheck.asp, the administration).
bool ChangesState(const HttpRequest& request, std::string_view page);

// True when the browser marks `request` as made by another site: its Sec-Fetch-Site is
// neither "same-origin" nor "none" (typed or bookmarked); without that header, its Origin
// names another host than its Host header, or is "null". A request with neither header
// (an older browser, a script) is not cross-site.
bool IsCrossSite(const HttpRequest& request);

}  // namespace ravochat::server
