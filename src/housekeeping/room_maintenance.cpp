// Room maintenance: promotion of popular rooms to kept rooms (RoomKeep), removal of idle
// empty rooms (RoomExpire) and the administration report of both (RoomUpdate). The room
// table and the room list change together: a room that the list does not hold is left
// alone in both, and an occupied room is never removed.
#include <string>
#include <string_view>
#include <vector>

#include "core/app_keys.h"
#include "core/convert.h"
#include "core/keyed_list.h"
#include "core/list_operations.h"
#include "core/records.h"
#include "core/strings.h"
#include "housekeeping/management_log.h"
#include "housekeeping/routine_inputs.h"
#include "ravochat/lumochat.h"
#include "state/chat_state.h"

namespace ravochat {
namespace {

using housekeeping::NumericLimit;

constexpr std::string_view kPromotableRoomsSql =
    "SELECT ID,room_name FROM room WHERE room_keep=0 AND room_exp>? ORDER BY ID";
constexpr std::string_view kPromoteRoomSql =
    "UPDATE room SET room_keep=1 WHERE ID=? AND room_keep=0";
// An unkept room's budget after its last activity: timeout + room_exp - loss per day x age.
constexpr std::string_view kExpiredRoomsSql =
    "SELECT ID,room_name FROM room WHERE datediff('n',room_time,now())>"
    "(? + room_exp - (? * datediff('d',build_time,now()))) AND room_keep=0 ORDER BY ID";
constexpr std::string_view kDeleteRoomSql = "DELETE FROM room WHERE ID=?";

constexpr std::string_view kNothingToDo = "根据系统参数，房间不需要作任何修改。";

Value Threshold(const Value& v) { return NumericLimit(v, "room promotion threshold _roomkeepexp"); }
Value Timeout(const Value& v) { return NumericLimit(v, "room timeout _roomtimeout"); }
Value LossPerDay(const Value& v) { return NumericLimit(v, "room loss per day _roomexpperday"); }

struct RoomRow {
  Value id;
  std::string key;  // the ID in decimal, as the room list keys it
  std::string name;
};

// The rooms of `rs` that the room list holds, in result order; the recordset is read whole
// before anything changes.
std::vector<RoomRow> ListedRooms(db::Recordset rs, std::string_view room_list) {
  std::vector<RoomRow> rooms;
  for (; !rs.Eof(); rs.MoveNext()) {
    RoomRow row{rs.Field("ID"), "", convert::ToText(rs.Field("room_name"))};
    row.key = convert::ToText(row.id);
    // A room missing from the list is looked at again once InitGlobal rebuilds the list.
    if (keyed_list::Contains(room_list, row.key)) rooms.push_back(std::move(row));
  }
  return rooms;
}

std::vector<std::string> Names(const std::vector<RoomRow>& rooms) {
  std::vector<std::string> names;
  for (const RoomRow& room : rooms) names.push_back(room.name);
  return names;
}

// True when nobody is present in the room `key`. Throws ListKeyError.
bool IsEmptyRoom(std::string_view room_list, std::string_view key) {
  return strings::Trim(list_operations::GetListValue(Value(room_list), Value(key),
                                                     Value(room_field::kOccupants)))
      .empty();
}

std::vector<RoomRow> EmptyRooms(std::vector<RoomRow> rooms, std::string_view room_list) {
  std::erase_if(rooms, [&](const RoomRow& room) { return !IsEmptyRoom(room_list, room.key); });
  return rooms;
}

std::string Report(const std::string& kept, const std::string& removed) {
  if (kept.empty() && removed.empty()) return std::string(kNothingToDo);
  std::string report;
  if (!removed.empty()) report = "过期房间：" + removed + "<br>";
  if (!kept.empty()) report += "<br>设为永久：" + kept;
  return report;
}

}  // namespace

std::string lumochat::RoomKeep(const Value& UMod, const Value& threshold, std::string& room_list) {
  const Value limit = Threshold(threshold);
  const bool apply = housekeeping::IsApplyMode(UMod);
  db::Connection& conn = housekeeping::OpenedConnection(Conn);
  const std::vector<RoomRow> rooms =
      ListedRooms(conn.Execute(kPromotableRoomsSql, {limit}), room_list);
  const std::string listed = housekeeping::BracketList(Names(rooms), ", ");
  if (!apply || rooms.empty()) return listed;
  // The list is edited first: a damaged record fails before the table changes.
  std::string changed = room_list;
  for (const RoomRow& room : rooms) {
    changed = list_operations::SetListValue(Value(changed), Value(room.key),
                                            Value(room_field::kKeep), Value("1"), Value(0));
  }
  room_list = std::move(changed);
  for (const RoomRow& room : rooms) conn.Execute(kPromoteRoomSql, {room.id});
  housekeeping::WriteLog(conn, housekeeping::kRoomKeptLog, clock_.Now(), listed,
                         housekeeping::kRoomKeptTail);
  return listed;
}

std::string lumochat::RoomExpire(const Value& UMod, const Value& timeout, const Value& loss_per_day,
                                 std::string& room_list) {
  const Value minutes = Timeout(timeout);
  const Value loss = LossPerDay(loss_per_day);
  const bool apply = housekeeping::IsApplyMode(UMod);
  db::Connection& conn = housekeeping::OpenedConnection(Conn);
  const std::vector<RoomRow> rooms = EmptyRooms(
      ListedRooms(conn.Execute(kExpiredRoomsSql, {minutes, loss}), room_list), room_list);
  const std::string listed = housekeeping::BracketList(Names(rooms), ",");
  if (!apply || rooms.empty()) return listed;
  for (const RoomRow& room : rooms) {
    conn.Execute(kDeleteRoomSql, {room.id});
    room_list = list_operations::DelList(Value(room_list), Value(room.key));
  }
  housekeeping::WriteLog(conn, housekeeping::kRoomExpiredLog, clock_.Now(), listed,
                         housekeeping::kRoomExpiredTail);
  return listed;
}

std::string lumochat::RoomUpdate(Application& TheApplication, const Value& UMod) {
  const Value threshold = Threshold(TheApplication.Get(Key(app_key::kRoomKeepExp)));
  const Value timeout = Timeout(TheApplication.Get(Key(app_key::kRoomTimeout)));
  const Value loss = LossPerDay(TheApplication.Get(Key(app_key::kRoomExpPerDay)));
  OpenConn(TheApplication);
  // Held from reading the list to storing it, statements included: a visitor entering a room
  // meanwhile would otherwise be lost from its occupant list, or find his room removed under
  // him. Maintenance runs once a day or at an operator's request.
  state::ChatState& chat = TheApplication.Chat(ConstStr);
  state::MutexLock lock(chat.mutex());
  std::string room_list = chat.Text(state::List::kRooms);
  const std::string kept = RoomKeep(UMod, threshold, room_list);
  const std::string removed = RoomExpire(UMod, timeout, loss, room_list);
  if (housekeeping::IsApplyMode(UMod)) chat.SetText(state::List::kRooms, room_list);
  return Report(kept, removed);
}

}  // namespace ravochat
