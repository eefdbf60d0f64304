#include "messages/ring_lines.h"

#include "core/app_keys.h"

namespace ravochat::messages {

Ring AppendLines(lumochat& component, Application& app, state::ChatState& chat,
                 std::span<const RingLine> lines) {
  (void)chat;  // held by the caller: the ring changes under the chat's mutex
  const std::string says_key = app_key::AppKey(component.ConstStr, app_key::kSays);
  const std::string current_key = app_key::AppKey(component.ConstStr, app_key::kCurrent);
  Ring ring{app.Get(says_key), app.Get(current_key)};
  for (const RingLine& line : lines) {
    component.Newsay(line.who, line.to_who, line.secret, line.room, line.text, line.color1,
                     line.color2, line.act, ring.says, ring.current);
  }
  app.Set(says_key, ring.says);
  app.Set(current_key, ring.current);
  return ring;
}

}  // namespace ravochat::messages
