// The texts the login shows: its refusals, exactly as the login page prints them, and
// the pieces of the private login notice and the entry announcement. The backslashes
// before quotes are part of the texts: the browser reads them inside a script string.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "ravochat/login.h"

namespace ravochat::login {

// --- Refusals ---
inline constexpr std::string_view kProxyRefused = "管理员禁止通过代理登录！";
inline constexpr std::string_view kNameIsPassword = "错误：用户名与密码相同！";
inline constexpr std::string_view kNameEmpty = "错误：用户名为空！";
inline constexpr std::string_view kPasswordEmpty = "错误：密码为空！";
inline constexpr std::string_view kNameIllegal =
    "错误：用户名含有非法字符！<a href=namefilter.asp>说明</a>";
inline constexpr std::string_view kChatFull = "对不起：聊天室已经满员了！";
inline constexpr std::string_view kNoRooms = "对不起：聊天室还没有开放的房间！";
inline constexpr std::string_view kNameIsRobot = "您的名字和房间机器人同名被拒绝进入！";
inline constexpr std::string_view kRoomLevel = "您要去的房间有级别限制，您不能直接登陆！";
inline constexpr std::string_view kRoomClosed = "您要去的房间的门已经关上了！";
inline constexpr std::string_view kWrongPassword =
    "错误：您输入了错误的密码，如果您是老版本用户，请在登陆页面上作密码转换！";
inline constexpr std::string_view kKickedOut =
    "对不起：您是被赶出聊天室的，目前聊天室还不允许你进去！";
inline constexpr std::string_view kFrozen =
    "对不起：您的帐号被暂时冻结，目前聊天室还不允许你进去！";
inline constexpr std::string_view kFrozenForGood = "对不起：您的帐号被永久冻结了！";
inline constexpr std::string_view kAddressLocked = "对不起：您的IP被封锁了！";
inline constexpr std::string_view kTooManyNewUsers =
    "对不起：您暂时不能注册新用户，请等几分钟再试！";
inline constexpr std::string_view kNewUsersForbidden = "对不起：管理员禁止新用户登陆！";
inline constexpr std::string_view kTooManyLogins = "对不起：这个地址登录太频繁了，请过一分钟再试！";
inline constexpr std::string_view kTooManyWrongPasswords =
    "对不起：这个用户名的密码输错太多次了，请过一会儿再试！";
// The password could not be checked or stored in time: too many logins at once.
inline constexpr std::string_view kServerBusy = "对不起：服务器正忙，请稍后再试！";

// The refusal of `reason` with its text below; the two name-length refusals are made by
// the functions that follow, as their text carries the configured length.
LoginOutcome Refused(LoginRefusal reason);
// "错误：用户名长度不能太短至少" + `min_length` + "个字符！"
std::string ShortNameRefusal(std::string_view min_length);
// "错误：用户名长度不能长于10个英文字符或" + `max_length` + "个汉字！"
std::string LongNameRefusal(std::string_view max_length);

// --- The private login notice ---

// A new user's welcome, repeating `shown_password` (the typed password, made safe for
// the script string that carries the notice).
std::string WelcomeNotice(std::string_view name, std::string_view shown_password);
// Opens the call-reading window when calls wait for the user.
inline constexpr std::string_view kCallsNotice =
    "<\\script>window.open(\\'getcall.asp\\',\\'\\',\\'width=550,height=300,scrollbars=1\\');"
    "</\\script>";
// A guest-book note waits for `name`.
std::string GuestBookNotice(std::string_view name);
// One friend request from `who` (trimmed here), answered on agreefriend.asp by `id`.
std::string FriendRequestNotice(std::string_view who, std::string_view id);
// The friends of the blank-separated `friends` for whom `is_online` holds, or "" when none
// is online.
std::string OnlineFriendsNotice(std::string_view friends,
                                const std::function<bool(const std::string&)>& is_online);

// --- The entry announcement ---

// "<small>girl</small>" for sex 1, else "<small>boy</small>".
std::string_view SexTag(int sex);

// The template's text with the sex tag before every "##", followed by the script part
// that adds the user to the browser's people list:
// AnnouncementText("##来了", 0, "ann", 1010) ==
//     "<small>boy</small>##来了<\script>parent.addl(\'ann\',0,\'1010\',\'\')</\script>"
std::string AnnouncementText(std::string_view text, int sex, std::string_view name,
                             std::int32_t face);

}  // namespace ravochat::login
