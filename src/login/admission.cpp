// The login's checks that need no database: the name and password typed, and the room
// the visitor asks for with its robot, level limit and door.

#include <cstdint>

#include "core/app_keys.h"
#include "core/convert.h"
#include "core/keyed_list.h"
#include "core/records.h"
#include "core/strings.h"
#include "login/login_texts.h"
#include "login/password_store.h"
#include "login/visitor.h"
#include "ravochat/lumochat.h"
#include "state/chat_state.h"

namespace ravochat {

login::Visitor lumochat::ReadLoginForm(Application& TheApplication, Request& TheRequest) {
  login::Visitor visitor;
  visitor.address = strings::Trim(convert::ToText(TheRequest.ServerVariable("REMOTE_ADDR")));
  visitor.name =
      strings::Left(strings::Trim(convert::ToText(TheRequest.Item("sUserName"))), kNameLength);
  visitor.lower_name = strings::ToLowerAscii(visitor.name);
  visitor.typed_password = convert::ToText(TheRequest.Item("sPass"));
  FilterStr = convert::ToText(TheApplication.Get(Key(app_key::kUserNameFilter)));
  return visitor;
}

std::string lumochat::CheckLoginName(Application& TheApplication, const login::Visitor& visitor) {
  if (visitor.name == visitor.typed_password) return std::string(login::kNameIsPassword);
  if (visitor.lower_name.empty()) return std::string(login::kNameEmpty);
  if (login::PasswordIsBlank(visitor.typed_password)) return std::string(login::kPasswordEmpty);
  const Value min_length = TheApplication.Get(Key(app_key::kNameLength));
  if (len_ch(visitor.name) < convert::ToDouble(min_length)) {
    return login::ShortNameRefusal(convert::ToText(min_length));
  }
  const Value max_length = TheApplication.Get(Key(app_key::kMaxNameLength));
  if (len_ch(visitor.name) > 2 * convert::ToDouble(max_length)) {
    return login::LongNameRefusal(convert::ToText(max_length));
  }
  std::string enabled = convert::ToText(TheApplication.Get(Key(app_key::kUserNameEnable)));
  if (Chuser(visitor.lower_name, enabled)) return std::string(login::kNameIllegal);
  return "";
}

std::string lumochat::ChooseRoom(Application& TheApplication, Request& TheRequest) {
  const Value requested = TheRequest.Item("room_id");
  room_id = convert::IsNumeric(requested) ? convert::ToInt32(requested) : 1;
  state::ChatState& chat = TheApplication.Chat(ConstStr);
  state::MutexLock lock(chat.mutex());
  if (chat.Contains(state::List::kRooms, convert::ToText(room_id))) return "";
  const std::vector<std::string> rooms = chat.Keys(state::List::kRooms);
  if (rooms.empty()) return std::string(login::kNoRooms);
  room_id = convert::ToInt32(Value(rooms.front()));
  return "";
}

std::string lumochat::CheckRoomRules(Application& TheApplication, const login::Visitor& visitor) {
  const std::string key = convert::ToText(room_id);
  state::ChatState& chat = TheApplication.Chat(ConstStr);
  state::MutexLock lock(chat.mutex());
  const auto field = [&](std::size_t index) REQUIRES(chat.mutex()) {
    return chat.Field(state::List::kRooms, key, index);
  };
  if (strings::EqualsIgnoreCase(visitor.name, field(room_field::kOwner))) return "";
  if (strings::EqualsIgnoreCase(visitor.name, field(room_field::kRobot))) {
    return std::string(login::kNameIsRobot);
  }
  if (convert::ToDouble(Value(field(room_field::kPermitLevel))) > 1) {
    return std::string(login::kRoomLevel);
  }
  if (convert::ToDouble(Value(field(room_field::kDoorOpen))) == 0) {
    return std::string(login::kRoomClosed);
  }
  return "";
}

}  // namespace ravochat
