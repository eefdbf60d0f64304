// A line of the chat itself to the visitors of one room, through the says ring.
#pragma once

#include "messages/says_ring.h"

#include <cstdint>
#include <string>

#include "ravochat/host.h"
#include "ravochat/lumochat.h"
#include "state/chat_state.h"

namespace ravochat::moderation {

// Notices show `text` with "##" replaced by `from` and "%%" by `to`.

struct RoomLine {
  std::string from;
  std::string to;
  std::int32_t room = 0;
  std::string text;  // already safe inside a single-quoted script string
  std::int32_t act = messages::kNoticeAct;
};

// Appends `line` as a public message of its room through `component` (whose ConstStr names the
// chat). Throws ConversionError or ListKeyError for a damaged ring.
void PostRoomLine(lumochat& component, Application& app, state::ChatState& chat,
                  const RoomLine& line) REQUIRES(chat.mutex());

}  // namespace ravochat::moderation
