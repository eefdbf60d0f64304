// ChangeRoom: moves a visitor to the room "toroom" within the room rules. The whole
// sequence (both occupant lists, the two notices in the ring, the visitor's record) runs
// under the chat's mutex, so a concurrent change never loses one of its parts.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/app_keys.h"
#include "core/convert.h"
#include "core/keyed_list.h"
#include "core/records.h"
#include "core/strings.h"
#include "messages/ring_lines.h"
#include "messages/says_ring.h"
#include "messages/visitor.h"
#include "ravochat/lumochat.h"
#include "rooms/announcement.h"

namespace ravochat {
namespace {

constexpr std::string_view kNotLoggedIn = "你还没有登陆到聊天室!";
constexpr std::string_view kNoSuchRoom = "你要去的房间并不存在!";
constexpr std::string_view kAlreadyThere = "你已经在这个房间里了!";

// Field `index` of room `key`; throws ListKeyError when it has none.
std::string RoomField(const state::ChatState& chat, std::string_view key, std::size_t index)
    REQUIRES(chat.mutex()) {
  return chat.Field(state::List::kRooms, key, index);
}

// A room's name as the refusals show it.
std::string Shown(const std::string& room_name) {
  return "<font color=#009900>" + room_name + "</font>";
}

// True when `toroom` names a room of the list. A key holding the list's own markers could
// match across records, so it names no room.
bool RoomExists(const state::ChatState& chat, std::string_view toroom) REQUIRES(chat.mutex()) {
  if (toroom.empty()) return false;
  if (toroom.find(keyed_list::kFieldEnd) != std::string_view::npos) return false;
  if (toroom.find("<$") != std::string_view::npos) return false;
  return chat.Contains(state::List::kRooms, toroom);
}

// The refusal of the target room `toroom` for `my_name`, or "" when he may enter. Owners
// and visitors at the level `del_room_level` are not restricted.
std::string RoomRefusal(const state::ChatState& chat, std::string_view toroom,
                        const std::string& my_name, int level, const Value& del_room_level)
    REQUIRES(chat.mutex()) {
  const std::string owner = RoomField(chat, toroom, room_field::kOwner);
  if (owner == my_name || level - convert::ToDouble(del_room_level) >= 0) return "";
  const std::string name = RoomField(chat, toroom, room_field::kName);
  if (RoomField(chat, toroom, room_field::kRobot) == my_name) {
    return "你被拒绝进入" + Shown(name) + "！";
  }
  // A closed door stops nobody while its owner is away.
  if (RoomField(chat, toroom, room_field::kDoorOpen) == "0" &&
      chat.Contains(state::List::kUsers, owner)) {
    return Shown(name) + "的门被关上了，请呼叫房主开门吧！";
  }
  const std::string permit = RoomField(chat, toroom, room_field::kPermitLevel);
  if (convert::ToDouble(Value(permit)) - level > 0) {
    return Shown(name) + "限制级别" + permit + "以下的聊友进入！";
  }
  return "";
}

// The departure notice's text: the template's text and the client call that removes him.
std::string DepartureText(const std::string& tmpl_text, const std::string& name) {
  return tmpl_text + "<\\script>parent.dell(\\'" + name + "\\')</\\script>";
}

}  // namespace

std::string lumochat::ChangeRoom(Application& TheApplication, Session& TheSession,
                                 Request& TheRequest) {
  const std::string toroom = strings::Trim(convert::ToText(TheRequest.Item("toroom")));
  const rooms::Announcement enter = rooms::SplitAnnouncement(
      app_key::SettingText(TheApplication, ConstStr, app_key::kEnterRoomShow));
  const rooms::Announcement exit = rooms::SplitAnnouncement(
      app_key::SettingText(TheApplication, ConstStr, app_key::kExitRoomShow));
  state::ChatState& chat = TheApplication.Chat(ConstStr);
  state::MutexLock lock(chat.mutex());

  const int level = TakeVisitor(messages::FindVisitor(TheSession, chat));
  if (level == 0) return std::string(kNotLoggedIn);
  if (!RoomExists(chat, toroom)) return std::string(kNoSuchRoom);
  if (convert::ToDouble(Value(toroom)) - room_id == 0) return std::string(kAlreadyThere);
  const std::string refusal =
      RoomRefusal(chat, toroom, MyName, level, TheApplication.Get(Key(app_key::kLevelDelRoom)));
  if (!refusal.empty()) return refusal;

  const std::string old_key = convert::ToText(std::int64_t{room_id});
  const std::string old_name = RoomField(chat, old_key, room_field::kName);
  const std::string new_name = RoomField(chat, toroom, room_field::kName);
  const std::string arrival = rooms::ArrivalText(enter.text, MyName, MyRec);
  // Both occupant fields must be there before the first of them changes.
  chat.OccupantCount(toroom);
  chat.OccupantCount(old_key);

  // The new room hears of the arrival before the old room hears of the departure.
  const messages::RingLine lines[] = {
      {.who = MyName,
       .to_who = old_name,
       .room = convert::ToInt32(Value(toroom)),
       .text = arrival,
       .color1 = enter.color1,
       .color2 = enter.color2,
       .act = messages::kNoticeAct},
      {.who = MyName,
       .to_who = new_name,
       .room = room_id,
       .text = DepartureText(exit.text, MyName),
       .color1 = exit.color1,
       .color2 = exit.color2,
       .act = messages::kNoticeAct},
  };
  // Everything that can fail is done before this first store (the ring changes whole or not
  // at all), so a failure changes nothing.
  messages::AppendLines(*this, TheApplication, chat, lines);
  chat.AddOccupant(toroom, MyName);
  chat.RemoveOccupant(old_key, MyName);
  chat.SetField(state::List::kUsers, MyName, user_field::kRoom, toroom);
  return "";
}

}  // namespace ravochat
