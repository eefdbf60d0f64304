// The name of the browser window that holds the chat.
#pragma once

#include <string_view>

#include "ravochat/page_texts.h"

namespace ravochat::rooms {

inline constexpr std::string_view kChatWindowName = page_texts::kChatWindowName;

}  // namespace ravochat::rooms
