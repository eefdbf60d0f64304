// What a host reports about the chats it runs: how many visitors are online and how far
// the message ring has come.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "ravochat/host.h"

namespace ravochat {

struct ChatStatus {
  std::int64_t visitors_online = 0;
  // The number of the newest message in the ring; 0 before the first one.
  std::int64_t newest_message = 0;
};

// The status of the chat whose keys start with `const_str`, read under the
// application's lock; a chat that was never loaded reads as all zeros. Throws
// ConversionError or ListKeyError when its stored ring is damaged.
ChatStatus ReadChatStatus(Application& app, std::string_view const_str);

// The lines stored after the message numbered `after`: the newest number and the rooms they
// went to (with repeats), or `every_room` when one went to every room, when more than 64 are
// new, or when the ring no longer holds them. Read under the chat's lock; throws as
// ReadChatStatus.
struct NewLines {
  std::int64_t newest = 0;
  bool every_room = false;
  std::vector<std::int32_t> rooms;
};
NewLines ReadNewLines(Application& app, std::string_view const_str, std::int64_t after);

}  // namespace ravochat
