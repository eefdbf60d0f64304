// System lines go into the ring as act -5 (the login notices' code) with room -2, which
// every room's readers receive; the sender field stays empty, so no visitor counts as
// their sender.
#include "social/system_line.h"

#include "messages/ring_lines.h"
#include "messages/says_ring.h"
#include "messages/visitor.h"
#include "ravochat/lumochat.h"
#include "ravochat/social.h"

namespace ravochat::social {
namespace {

constexpr int kEveryRoom = -2;

}  // namespace

bool IsOnline(Application& app, std::string_view prefix, std::string_view name) {
  state::ChatState& chat = app.Chat(prefix);
  state::MutexLock lock(chat.mutex());
  return !name.empty() && chat.Contains(state::List::kUsers, name);
}

void PostSystemLine(Application& app, std::string_view prefix, const Clock& clock,
                    const std::string& to_who, const std::string& script_text) {
  const int secret = to_who == kEverybody ? 0 : 1;
  state::ChatState& state = app.Chat(prefix);
  state::MutexLock lock(state.mutex());
  lumochat chat(clock);
  chat.ConstStr = std::string(prefix);
  const messages::RingLine line{.who = "",
                                .to_who = to_who,
                                .secret = secret,
                                .room = kEveryRoom,
                                .text = script_text,
                                .act = messages::kSystemAct};
  messages::AppendLines(chat, app, state, {&line, 1});
}

}  // namespace ravochat::social
