// The name of the browser window that holds the chat. The chat page sends any other
// window to "close.asp", so whatever opens the chat (the login page) gives it this name.
#pragma once

#include <string_view>

namespace ravochat::rooms {

inline constexpr std::string_view kChatWindowName = "ravochat_main";

}  // namespace ravochat::rooms
