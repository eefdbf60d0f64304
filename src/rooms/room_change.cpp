// ChangeRoom: moves a visitor to the room "toroom" within the room rules. The whole
// sequence (both occupant lists, the two notices in the ring, the visitor's record) runs
// under the application's lock, so a concurrent change never loses one of its parts.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/app_keys.h"
#include "core/convert.h"
#include "core/keyed_list.h"
#include "core/list_operations.h"
#include "core/records.h"
#include "core/strings.h"
#include "ravochat/lumochat.h"
#include "rooms/announcement.h"

namespace ravochat {
namespace {

constexpr std::string_view kNotLoggedIn = "你还没有登陆到聊天室!";
constexpr std::string_view kNoSuchRoom = "你要去的房间并不存在!";
constexpr std::string_view kAlreadyThere = "你已经在这个房间里了!";
// Action code of entry and departure notices.
constexpr int kNoticeAct = -3;

using Fields = std::vector<std::string>;

const std::string& Field(const Fields& fields, std::size_t index, std::string_view key) {
  return keyed_list::FieldAt(fields, index, key);
}

// A room's name as the refusals show it.
std::string Shown(const std::string& room_name) {
  return "<font color=#009900>" + room_name + "</font>";
}

// True when `toroom` names a room of the list. A key holding the list's own markers could
// match across records, so it names no room.
bool RoomExists(std::string_view room_list, std::string_view toroom) {
  if (toroom.empty()) return false;
  if (toroom.find(keyed_list::kFieldEnd) != std::string_view::npos) return false;
  if (toroom.find("<$") != std::string_view::npos) return false;
  return keyed_list::Contains(room_list, toroom);
}

// The refusal of the target room `nr` (key `toroom`) for `my_name`, or "" when he may
// enter. Owners and visitors at the level `del_room_level` are not restricted.
std::string RoomRefusal(const Fields& nr, std::string_view toroom, const std::string& my_name,
                        int level, const Value& del_room_level, std::string_view user_list) {
  const std::string& owner = Field(nr, room_field::kOwner, toroom);
  if (owner == my_name || level - convert::ToDouble(del_room_level) >= 0) return "";
  const std::string& name = Field(nr, room_field::kName, toroom);
  if (Field(nr, room_field::kRobot, toroom) == my_name) {
    return "你被拒绝进入" + Shown(name) + "！";
  }
  // A closed door stops nobody while its owner is away.
  if (Field(nr, room_field::kDoorOpen, toroom) == "0" && keyed_list::Contains(user_list, owner)) {
    return Shown(name) + "的门被关上了，请呼叫房主开门吧！";
  }
  const std::string& permit = Field(nr, room_field::kPermitLevel, toroom);
  if (convert::ToDouble(Value(permit)) - level > 0) {
    return Shown(name) + "限制级别" + permit + "以下的聊友进入！";
  }
  return "";
}

// The list with `name` added to the occupants of room `to` and taken out of room `from`'s.
std::string MoveOccupant(std::string_view room_list, std::string_view from, std::string_view to,
                         std::string_view name) {
  constexpr int kAddWord = 1;
  constexpr int kRemoveWord = -1;
  const std::string added = list_operations::SetListValue(
      Value(room_list), Value(to), Value(room_field::kOccupants), Value(name), Value(kAddWord));
  return list_operations::SetListValue(Value(added), Value(from), Value(room_field::kOccupants),
                                       Value(name), Value(kRemoveWord));
}

// The arrival notice's text: the template's text and the client call that adds the
// visitor to the people list of the room. The backslashes travel with the stored text.
std::string ArrivalText(const std::string& tmpl_text, const std::string& name, const Fields& rec) {
  return tmpl_text + "<\\script>parent.addl(\\'" + name + "\\'," +
         Field(rec, user_field::kSex, name) + ",\\'" + Field(rec, user_field::kFace, name) +
         "\\',\\'" + Field(rec, user_field::kListText, name) + "\\')</\\script>";
}

// The departure notice's text: the template's text and the client call that removes him.
std::string DepartureText(const std::string& tmpl_text, const std::string& name) {
  return tmpl_text + "<\\script>parent.dell(\\'" + name + "\\')</\\script>";
}

}  // namespace

std::string lumochat::ChangeRoom(Application& TheApplication, Session& TheSession,
                                 Request& TheRequest) {
  const std::string toroom = strings::Trim(convert::ToText(TheRequest.Item("toroom")));
  auto lock = TheApplication.Lock();
  const std::string user_list = convert::ToText(TheApplication.Get(Key(app_key::kUserList)));
  std::string room_list = convert::ToText(TheApplication.Get(Key(app_key::kRoomList)));

  const int level = getLevel(TheSession, user_list, room_list);
  if (level == 0) return std::string(kNotLoggedIn);
  if (!RoomExists(room_list, toroom)) return std::string(kNoSuchRoom);
  if (convert::ToDouble(Value(toroom)) - room_id == 0) return std::string(kAlreadyThere);
  const Fields nr = keyed_list::RecordFields(room_list, toroom);
  const std::string refusal = RoomRefusal(
      nr, toroom, MyName, level, TheApplication.Get(Key(app_key::kLevelDelRoom)), user_list);
  if (!refusal.empty()) return refusal;

  const std::string old_key = convert::ToText(std::int64_t{room_id});
  const std::string old_name =
      Field(keyed_list::RecordFields(room_list, old_key), room_field::kName, old_key);
  const rooms::Announcement enter =
      rooms::SplitAnnouncement(convert::ToText(TheApplication.Get(Key(app_key::kEnterRoomShow))));
  const rooms::Announcement exit =
      rooms::SplitAnnouncement(convert::ToText(TheApplication.Get(Key(app_key::kExitRoomShow))));
  const std::string arrival = ArrivalText(enter.text, MyName, MyRec);
  room_list = MoveOccupant(room_list, old_key, toroom, MyName);

  // The new room hears of the arrival before the old room hears of the departure.
  Value says = TheApplication.Get(Key(app_key::kSays));
  Value current = TheApplication.Get(Key(app_key::kCurrent));
  Newsay(Value(MyName), Value(old_name), Value(0), Value(convert::ToInt32(Value(toroom))),
         Value(arrival), Value(enter.color1), Value(enter.color2), Value(kNoticeAct), says,
         current);
  Newsay(Value(MyName), Value(Field(nr, room_field::kName, toroom)), Value(0), Value(room_id),
         Value(DepartureText(exit.text, MyName)), Value(exit.color1), Value(exit.color2),
         Value(kNoticeAct), says, current);

  // The visitor's record as getLevel took it from the list read above, with the new room.
  MyRec[user_field::kRoom] = toroom;
  std::string new_user_list =
      keyed_list::JoinRecord(ListParts.at(0), MyRec, ListParts.at(2), MyName);

  // Everything is worked out before the first store, so a failure changes nothing.
  TheApplication.Set(Key(app_key::kRoomList), Value(room_list));
  TheApplication.Set(Key(app_key::kSays), says);
  TheApplication.Set(Key(app_key::kCurrent), current);
  TheApplication.Set(Key(app_key::kUserList), Value(std::move(new_user_list)));
  return "";
}

}  // namespace ravochat
