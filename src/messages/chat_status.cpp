// The chat's status for monitoring: records online and the newest ring number, and the rooms
// of the lines stored after a number, for the host that wakes those rooms' windows.
#include <limits>
#include <optional>
#include <utility>
#include <vector>

#include "core/app_keys.h"
#include "core/convert.h"
#include "messages/says_ring.h"
#include "messages/visitor.h"
#include "ravochat/monitoring.h"

namespace ravochat {

ChatStatus ReadChatStatus(Application& app, std::string_view const_str) {
  state::ChatState& chat = app.Chat(const_str);
  state::MutexLock lock(chat.mutex());
  ChatStatus status;
  status.visitors_online = static_cast<std::int64_t>(chat.Count(state::List::kUsers));
  const Value says = app.Get(app_key::AppKey(const_str, app_key::kSays));
  if (says.IsEmpty()) return status;
  const int current = messages::CurrentRow(app.Get(app_key::AppKey(const_str, app_key::kCurrent)));
  status.newest_message =
      static_cast<std::int64_t>(convert::ToDouble(messages::NumberAt(says, current)));
  return status;
}

NewLines ReadNewLines(Application& app, std::string_view const_str, std::int64_t after) {
  // More new lines than this at once wake every room's windows rather than count rooms.
  constexpr std::size_t kMostCounted = 64;
  state::ChatState& chat = app.Chat(const_str);
  state::MutexLock lock(chat.mutex(), state::Access::kRead);
  NewLines lines;
  const Value says = app.Get(app_key::AppKey(const_str, app_key::kSays));
  if (says.IsEmpty()) return lines;
  const int current = messages::CurrentRow(app.Get(app_key::AppKey(const_str, app_key::kCurrent)));
  lines.newest = static_cast<std::int64_t>(convert::ToDouble(messages::NumberAt(says, current)));
  if (lines.newest <= after) return lines;
  std::optional<std::vector<std::int32_t>> rooms =
      messages::RoomsAfter(says, current, after, kMostCounted);
  lines.every_room = !rooms || after < std::numeric_limits<int>::min() ||
                     messages::LinesMissed(says, current, static_cast<int>(after));
  if (!lines.every_room) lines.rooms = std::move(*rooms);
  return lines;
}

}  // namespace ravochat
