// The fixed names of the application values of one chat. A key is the chat's prefix
// (lumochat::ConstStr) followed by one of these names; AppKey is the one place that joins them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "ravochat/host.h"

namespace ravochat::app_key {

// Shared state written while the chat runs.
inline constexpr std::string_view kUserList = "_user_list";
inline constexpr std::string_view kRoomList = "_room_list";
inline constexpr std::string_view kSays = "_says";
inline constexpr std::string_view kCurrent = "_current";
inline constexpr std::string_view kInit = "_init";
inline constexpr std::string_view kAutosayCount = "_autosay_count";
inline constexpr std::string_view kVotes = "_votes";
inline constexpr std::string_view kChatroomClock = "_chatroomclock";
inline constexpr std::string_view kChatOpenTime = "_chatopentime";
inline constexpr std::string_view kBbss = "_bbss";
inline constexpr std::string_view kVisitor = "_visitor";
inline constexpr std::string_view kHour24 = "_hour24";
// The hourly work a login claimed and has not finished: "<clock hour>|<claim time in
// seconds>", "" when finished.
inline constexpr std::string_view kHourWork = "_hourwork";

// The values besides the two lists that change while the chat runs and are not rebuilt from
// the database at a start: what a restart keeps through the state snapshot.
inline constexpr std::string_view kRunningValues[] = {kSays,    kCurrent, kChatroomClock,
                                                      kVisitor, kHour24,  kHourWork};

// Configuration, loaded from the sysparam table as "_" + alias.
inline constexpr std::string_view kConnStr = "_connstr";
inline constexpr std::string_view kMaxTalk = "_maxtalk";
inline constexpr std::string_view kNoSayTimeout = "_nosaytimeout";
inline constexpr std::string_view kDontSaveValue = "_dontsavevalue";
inline constexpr std::string_view kMaxSaysLength = "_maxsayslength";
inline constexpr std::string_view kMinSaysLength = "_minsayslength";
inline constexpr std::string_view kListRefTime = "_listreftime";
inline constexpr std::string_view kSaysFilterStr = "_saysfilterstr";
inline constexpr std::string_view kEnableSaysFilter = "_enablesaysfilter";
inline constexpr std::string_view kTitleLength = "_titlelength";
inline constexpr std::string_view kLevelTitle = "_l_title";
inline constexpr std::string_view kLevelTt = "_l_tt";
inline constexpr std::string_view kLevelAllHtml = "_l_allhtml";
inline constexpr std::string_view kLevelDelRoom = "_l_delroom";
inline constexpr std::string_view kUserNameFilter = "_usernamefilter";
inline constexpr std::string_view kUserNameEnable = "_usernameenable";
inline constexpr std::string_view kNameLength = "_namelength";
inline constexpr std::string_view kMaxNameLength = "_maxnamelength";
inline constexpr std::string_view kMaxPeople = "_maxpeople";
inline constexpr std::string_view kDisableProxy = "_disableproxy";
inline constexpr std::string_view kDisableNewUser = "_disablenewuser";
inline constexpr std::string_view kNewUserNum = "_newusernum";
inline constexpr std::string_view kFaceColorStr = "_facecolorstr";
inline constexpr std::string_view kBackgroundColorStr = "_backgroudcolorstr";
inline constexpr std::string_view kEnterChatShow = "_enterchatshow";
inline constexpr std::string_view kReenterShow = "_reentershow";
inline constexpr std::string_view kEnterRoomShow = "_enterroomshow";
inline constexpr std::string_view kExitRoomShow = "_exitroomshow";
inline constexpr std::string_view kCallTimeout = "_calltimeout";
inline constexpr std::string_view kFriendTimeout = "_friendtimeout";
inline constexpr std::string_view kGbTimeout = "_gbtimeout";
inline constexpr std::string_view kManageLogTimeout = "_managelogtimeout";
inline constexpr std::string_view kAutoClearGb = "_autocleargb";
inline constexpr std::string_view kAutoClearManageLog = "_autoclearmanagelog";
inline constexpr std::string_view kAutoClearUserName = "_autoclearusername";
inline constexpr std::string_view kUserNameOnceTimeout = "_usernameoncetimeout";
inline constexpr std::string_view kUserNameTimeout = "_usernametimeout";
inline constexpr std::string_view kRoomAutoClear = "_roomautoclear";
inline constexpr std::string_view kRoomTimeout = "_roomtimeout";
inline constexpr std::string_view kRoomExpPerDay = "_roomexpperday";
inline constexpr std::string_view kRoomKeepExp = "_roomkeepexp";
// Flood control: at most "_floodlines" lines in "_floodseconds" seconds; the "_floodstrikes"th
// refused line sends the visitor away for "_floodkick" minutes; at most "_loginsperminute"
// logins from one address in a minute. 0 switches a limit off.
inline constexpr std::string_view kFloodLines = "_floodlines";
inline constexpr std::string_view kFloodSeconds = "_floodseconds";
inline constexpr std::string_view kFloodStrikes = "_floodstrikes";
inline constexpr std::string_view kFloodKick = "_floodkick";
inline constexpr std::string_view kLoginsPerMinute = "_loginsperminute";
// Guessing: after "_loginfails" wrong passwords for one name within "_loginfailminutes"
// minutes its logins are refused for the rest of that time. 0 switches it off.
inline constexpr std::string_view kLoginFails = "_loginfails";
inline constexpr std::string_view kLoginFailMinutes = "_loginfailminutes";
// The cost of the argon2id hash of a stored password: memory in MiB and passes.
inline constexpr std::string_view kPasswordMemory = "_passwordmemory";
inline constexpr std::string_view kPasswordPasses = "_passwordpasses";
// The level a moderation action needs: "_l_" + the action's name ("_l_kick").
inline constexpr std::string_view kLevelPrefix = "_l_";

// Which of a chat's two lists a key names, and the chat's prefix: "c1_USER_LIST" is the
// user list of chat "c1". Letter case is ignored, as for every key.
struct ListKey {
  std::string_view prefix;
  bool users;  // else the room list
};
std::optional<ListKey> SplitListKey(std::string_view key);

// The key of `name` in the chat whose prefix is `prefix`.
inline std::string AppKey(std::string_view prefix, std::string_view name) {
  std::string key;
  key.reserve(prefix.size() + name.size());
  key.append(prefix).append(name);
  return key;
}

// The setting (or any application value) `name` of the chat whose prefix is `prefix`, as
// text: "" when it is unset. Throws ConversionError for an array.
std::string SettingText(const Application& app, std::string_view prefix, std::string_view name);

}  // namespace ravochat::app_key
