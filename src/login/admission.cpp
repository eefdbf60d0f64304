// The login's checks that need no database: the name and password typed, and the room
// the visitor asks for with its robot, level limit and door.

#include <cstdint>

#include "core/app_keys.h"
#include "core/convert.h"
#include "core/keyed_list.h"
#include "core/records.h"
#include "core/strings.h"
#include "login/login_steps.h"
#include "login/login_texts.h"
#include "login/password_store.h"
#include "login/visitor.h"
#include "ravochat/lumochat.h"
#include "state/chat_state.h"

namespace ravochat {

login::Visitor login::ReadLoginForm(lumochat& component, Application& TheApplication,
                                    Request& TheRequest) {
  login::Visitor visitor;
  visitor.address = strings::Trim(convert::ToText(TheRequest.ServerVariable("REMOTE_ADDR")));
  visitor.name =
      strings::Left(strings::Trim(convert::ToText(TheRequest.Item("sUserName"))), kNameLength);
  visitor.lower_name = strings::ToLowerAscii(visitor.name);
  visitor.typed_password = convert::ToText(TheRequest.Item("sPass"));
  component.FilterStr =
      app_key::SettingText(TheApplication, component.ConstStr, app_key::kUserNameFilter);
  return visitor;
}

LoginOutcome login::CheckLoginName(lumochat& component, Application& TheApplication,
                                   const login::Visitor& visitor) {
  const auto setting = [&](std::string_view name) {
    return TheApplication.Get(app_key::AppKey(component.ConstStr, name));
  };
  if (visitor.name == visitor.typed_password) return login::Refused(LoginRefusal::kNameIsPassword);
  if (visitor.lower_name.empty()) return login::Refused(LoginRefusal::kNameEmpty);
  if (login::PasswordIsBlank(visitor.typed_password)) {
    return login::Refused(LoginRefusal::kPasswordEmpty);
  }
  const Value min_length = setting(app_key::kNameLength);
  if (component.len_ch(visitor.name) < convert::ToDouble(min_length)) {
    return {LoginRefusal::kNameTooShort, login::ShortNameRefusal(convert::ToText(min_length))};
  }
  const Value max_length = setting(app_key::kMaxNameLength);
  if (component.len_ch(visitor.name) > 2 * convert::ToDouble(max_length)) {
    return {LoginRefusal::kNameTooLong, login::LongNameRefusal(convert::ToText(max_length))};
  }
  std::string enabled =
      app_key::SettingText(TheApplication, component.ConstStr, app_key::kUserNameEnable);
  if (component.Chuser(visitor.lower_name, enabled)) {
    return login::Refused(LoginRefusal::kNameIllegal);
  }
  return {};
}

LoginOutcome login::ChooseRoom(lumochat& component, Application& TheApplication,
                               Request& TheRequest) {
  const Value requested = TheRequest.Item("room_id");
  component.room_id = convert::IsNumeric(requested) ? convert::ToInt32(requested) : 1;
  state::ChatState& chat = TheApplication.Chat(component.ConstStr);
  state::MutexLock lock(chat.mutex());
  if (chat.Contains(state::List::kRooms, convert::ToText(component.room_id))) return {};
  const std::vector<std::string> rooms = chat.Keys(state::List::kRooms);
  if (rooms.empty()) return login::Refused(LoginRefusal::kNoRooms);
  component.room_id = convert::ToInt32(Value(rooms.front()));
  return {};
}

LoginOutcome login::CheckRoomRules(const lumochat& component, Application& TheApplication,
                                   const login::Visitor& visitor) {
  const std::string key = convert::ToText(component.room_id);
  state::ChatState& chat = TheApplication.Chat(component.ConstStr);
  state::MutexLock lock(chat.mutex());
  const auto field = [&](std::size_t index) REQUIRES(chat.mutex()) {
    return chat.Field(state::List::kRooms, key, index);
  };
  if (strings::EqualsIgnoreCase(visitor.name, field(room_field::kOwner))) return {};
  if (strings::EqualsIgnoreCase(visitor.name, field(room_field::kRobot))) {
    return login::Refused(LoginRefusal::kNameIsRobot);
  }
  if (convert::ToDouble(Value(field(room_field::kPermitLevel))) > 1) {
    return login::Refused(LoginRefusal::kRoomLevel);
  }
  if (convert::ToDouble(Value(field(room_field::kDoorOpen))) == 0) {
    return login::Refused(LoginRefusal::kRoomClosed);
  }
  return {};
}

}  // namespace ravochat
