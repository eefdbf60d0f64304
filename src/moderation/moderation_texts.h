// The refusals and lines of moderation, each named once.
#pragma once

#include <string_view>

namespace ravochat::moderation::texts {

inline constexpr std::string_view kNotAllowed = "你的级别不够，不能这样做";
inline constexpr std::string_view kNotOnEqual = "不能对级别不低于你的人这样做";
inline constexpr std::string_view kNotYourself = "不能对自己这样做";
inline constexpr std::string_view kNoSuchUser = "没有这个聊友";
inline constexpr std::string_view kNoSuchRoom = "没有这个房间";
inline constexpr std::string_view kBadMinutes = "分钟数必须是1到";
inline constexpr std::string_view kBadDays = "天数必须是0（永久）到3650";
inline constexpr std::string_view kBadAddress = "地址只能由数字、点和冒号组成，至少3个字符";
inline constexpr std::string_view kBadLevel = "临时级别必须大于5并且低于你自己的级别，0为取消";
inline constexpr std::string_view kBadRobot = "机器人的名字不合用户名的规则";
inline constexpr std::string_view kEmptyTitle = "标题不能为空";
inline constexpr std::string_view kUsage =
    "用法：/kick 名字 分钟、/freeze 名字 天数、/lock 地址 分钟、/level 名字 级别、"
    "/door open或close、/robot 名字、/title 标题";

// Lines to the room, "##" standing for the one concerned and "%%" for the moderator.
inline constexpr std::string_view kKickedLine = "【系统】##被%%请出了聊天室！";
inline constexpr std::string_view kFrozenLine = "【系统】##的帐号被%%冻结了！";
inline constexpr std::string_view kDoorOpenedLine = "【系统】##打开了房间的门。";
inline constexpr std::string_view kDoorClosedLine = "【系统】##关上了房间的门。";
inline constexpr std::string_view kRobotLine = "【系统】##给房间的机器人改了名字。";

}  // namespace ravochat::moderation::texts
