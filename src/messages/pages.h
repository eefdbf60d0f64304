// The fixed texts of the pages that the message operations return: the two meta lines every
// page for a logged-in visitor opens with, and the scripts that send the window away.
#pragma once

#include <string_view>

#include "ravochat/page_texts.h"

namespace ravochat::messages {

inline constexpr std::string_view kPageHead =
    "<meta HTTP-EQUIV='Pragma' CONTENT='no-cache'>"
    "<META content='text/html;charset=gb2312' http-equiv=content-type>";
inline constexpr std::string_view kPollHead = page_texts::kPollHead;
inline constexpr std::string_view kScriptOpen = "<script Language=JavaScript>";
// The whole answer to a visitor who is not validly logged in, its redirect alone for a page
// whose script is already open, and its statement alone.
inline constexpr std::string_view kNotLoggedInScript =
    "<script Language=JavaScript>top.location.href = "
    "'showerr.asp?errtext=你还没有登录到聊天室！';</script>";
inline constexpr std::string_view kNotLoggedInRedirect =
    kNotLoggedInScript.substr(kScriptOpen.size());
inline constexpr std::string_view kNotLoggedInStatement =
    kNotLoggedInRedirect.substr(0, kNotLoggedInRedirect.size() - 9);
inline constexpr std::string_view kCloseRedirect =
    "<script Language=JavaScript>top.location.href = 'close.asp';</script>";
inline constexpr std::string_view kCloseStatement =
    kCloseRedirect.substr(kScriptOpen.size(), kCloseRedirect.size() - kScriptOpen.size() - 9);

}  // namespace ravochat::messages
