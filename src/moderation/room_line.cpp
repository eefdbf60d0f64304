#include "moderation/room_line.h"

#include "messages/ring_lines.h"

namespace ravochat::moderation {

void PostRoomLine(lumochat& component, Application& app, state::ChatState& chat,
                  const RoomLine& line) {
  const messages::RingLine ring_line{
      .who = line.from, .to_who = line.to, .room = line.room, .text = line.text, .act = line.act};
  messages::AppendLines(component, app, chat, {&ring_line, 1});
}

}  // namespace ravochat::moderation
