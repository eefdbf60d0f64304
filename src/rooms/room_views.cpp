// The chat's state as the site's own pages show it: the rooms with their head counts, the
// visitor's room, and the name rules.
#include <string>
#include <vector>

#include "core/app_keys.h"
#include "core/convert.h"
#include "core/records.h"
#include "messages/visitor.h"
#include "ravochat/lumochat.h"

namespace ravochat {

std::vector<lumochat::RoomView> lumochat::RoomViews(Application& TheApplication) {
  std::vector<RoomView> views;
  state::ChatState& chat = TheApplication.Chat(ConstStr);
  state::MutexLock lock(chat.mutex());
  for (const std::string& key : chat.Keys(state::List::kRooms)) {
    RoomView view{key, chat.Field(state::List::kRooms, key, room_field::kName)};
    const std::size_t fields = chat.FieldCount(state::List::kRooms, key);
    if (fields > room_field::kOccupants) view.people = chat.OccupantCount(key);
    if (fields > room_field::kDoorOpen) {
      view.open = chat.Field(state::List::kRooms, key, room_field::kDoorOpen) != "0";
    }
    views.push_back(std::move(view));
  }
  return views;
}

std::int32_t lumochat::VisitorRoom(Application& TheApplication, Session& TheSession) {
  state::ChatState& chat = TheApplication.Chat(ConstStr);
  state::MutexLock lock(chat.mutex());
  return messages::FindVisitor(TheSession, chat).room;
}

lumochat::NameRules lumochat::GetNameRules(Application& TheApplication) {
  const auto text = [&](std::string_view name) {
    return app_key::SettingText(TheApplication, ConstStr, name);
  };
  return {text(app_key::kNameLength), text(app_key::kMaxNameLength),
          text(app_key::kUserNameEnable)};
}

}  // namespace ravochat
