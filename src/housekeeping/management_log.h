// The management log rows that housekeeping writes to the `record` table, and the bracketed
// name lists they carry. Every row's text has seven ">"-separated fields:
// "系统>系统> >" + names + ">自动>" + reason ">" action, the action's "%%" standing for names.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ravochat/database.h"
#include "ravochat/value.h"

namespace ravochat::housekeeping {

// Kinds of log rows (`record.stype`).
inline constexpr int kRoomExpiredLog = 16;
inline constexpr int kRoomKeptLog = 17;
inline constexpr int kUserClearedLog = 57;

// The last two fields of each kind of row: the reason and the action.
inline constexpr std::string_view kRoomKeptTail =
    " 由于人气值高而被系统自动修改！>设置房间%%为保留房间！";
inline constexpr std::string_view kRoomExpiredTail = " 由于人气不旺被系统自动清除！>清除房间%%";
inline constexpr std::string_view kUserClearedTail = "长时间不访问被自动清除 ！>清除用户%%";

// "[a, b]" for names {a, b} and separator ", "; the empty text for no names.
std::string BracketList(const std::vector<std::string>& names, std::string_view separator);

// Inserts one log row of kind `stype` stamped `now` whose text is the seven `fields` joined
// by ">" (a ">" inside a field becomes "＞", so the fields stay seven). Throws DatabaseError.
void WriteEntry(db::Connection& conn, int stype, Date now, const std::vector<std::string>& fields);

// Inserts one log row of kind `stype` stamped `now`, its text bound as a parameter:
// WriteLog(conn, kRoomExpiredLog, now, "[a]", kRoomExpiredTail) stores
// "系统>系统> >[a]>自动> 由于人气不旺被系统自动清除！>清除房间%%". Throws DatabaseError.
void WriteLog(db::Connection& conn, int stype, Date now, std::string_view bracketed_names,
              std::string_view tail);

}  // namespace ravochat::housekeeping
