// The chat's status for monitoring: records online and the newest ring number.
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

}  // namespace ravochat
