// The chat's status for monitoring: records online and the newest ring number.
#include "core/app_keys.h"
#include "core/convert.h"
#include "core/keyed_list.h"
#include "messages/says_ring.h"
#include "messages/visitor.h"
#include "ravochat/monitoring.h"

namespace ravochat {

ChatStatus ReadChatStatus(Application& app, std::string_view const_str) {
  AppLock lock = app.Lock();
  ChatStatus status;
  const Value users = app.Get(app_key::AppKey(const_str, app_key::kUserList));
  std::string scratch;
  status.visitors_online =
      static_cast<std::int64_t>(keyed_list::CountRecords(messages::TextOf(users, scratch)));
  const Value says = app.Get(app_key::AppKey(const_str, app_key::kSays));
  if (says.IsEmpty()) return status;
  const int current = messages::CurrentRow(app.Get(app_key::AppKey(const_str, app_key::kCurrent)));
  status.newest_message =
      static_cast<std::int64_t>(convert::ToDouble(messages::NumberAt(says, current)));
  return status;
}

}  // namespace ravochat
