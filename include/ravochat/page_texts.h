// Texts that the host's own pages share with the chat's pages.
#pragma once

#include <string_view>

namespace ravochat::page_texts {

// The name of the browser window that holds the chat. The chat page sends any other
// window to "close.asp", so whatever opens the chat (the login page) gives it this name.
inline constexpr std::string_view kChatWindowName = "ravochat_main";

// The opening of a page loaded into the polling frame: it polls again in 6 seconds.
inline constexpr std::string_view kPollHead =
    "<meta http-equiv=refresh content='6;url=refresh.asp'><script>";

}  // namespace ravochat::page_texts
