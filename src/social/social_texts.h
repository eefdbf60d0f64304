// The refusals and lines of the chatter-to-chatter features, each named once.
#pragma once

#include <string_view>

namespace ravochat::social::texts {

inline constexpr std::string_view kOutOfRange = "设置值超出了允许的范围，没有保存！";
inline constexpr std::string_view kBadColour = "颜色必须是#RRGGBB的形式，没有保存！";
inline constexpr std::string_view kWrongOldPassword = "原密码不对，密码没有修改！";
inline constexpr std::string_view kPasswordEmpty = "新密码不能为空！";
inline constexpr std::string_view kPasswordMismatch = "两次输入的新密码不一样！";
inline constexpr std::string_view kPasswordIsName = "新密码不能与用户名相同！";
inline constexpr std::string_view kNoSuchUser = "没有这个聊友！";
inline constexpr std::string_view kNotYourself = "不能对自己这样做！";
inline constexpr std::string_view kAlreadyFriend = "他已经是你的好友了！";
inline constexpr std::string_view kNotAFriend = "他不在你的好友名单里！";
inline constexpr std::string_view kTooManyFriends = "好友名单已经满了！";
inline constexpr std::string_view kEmptyMessage = "内容不能为空！";
inline constexpr std::string_view kNoSuchNote = "没有这条留言！";
inline constexpr std::string_view kRequestPending = "你已经向他发出过好友申请了！";
inline constexpr std::string_view kNoSuchRequest = "没有这个好友申请！";

}  // namespace ravochat::social::texts
