#include "moderation/room_line.h"

#include "core/app_keys.h"

namespace ravochat::moderation {

void PostRoomLine(lumochat& component, Application& app, state::ChatState& chat,
                  const RoomLine& line) {
  (void)chat;  // held by the caller: the ring changes under the chat's mutex
  const std::string says_key = app_key::AppKey(component.ConstStr, app_key::kSays);
  const std::string current_key = app_key::AppKey(component.ConstStr, app_key::kCurrent);
  Value says = app.Get(says_key);
  Value current = app.Get(current_key);
  component.Newsay(line.from, line.to, 0, line.room, line.text, "", "", line.act, says, current);
  app.Set(says_key, says);
  app.Set(current_key, current);
}

}  // namespace ravochat::moderation
