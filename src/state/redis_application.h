// The application of the chats a process serves when their state is shared through Redis:
// each chat's lists and values live in its RedisChatState; a key of no chat of the process
// stays in this process.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ravochat/host.h"
#include "state/redis_chat_state.h"

namespace ravochat::state {

class RedisApplication : public Application {
 public:
  // Connects every chat of `prefixes` to the Redis server at `address`. Throws StateError.
  RedisApplication(const std::string& address, const std::vector<std::string>& prefixes);

  Value Get(std::string_view key) const override;
  void Set(std::string_view key, Value value) override;
  ChatState& Chat(std::string_view prefix) override { return ChatOf(prefix); }
  // Throws Error for a chat the process was not started with.
  RedisChatState& ChatOf(std::string_view prefix) const;

 private:
  // The chat whose key `key` is, or null.
  RedisChatState* ChatOfKey(std::string_view key) const;

  std::vector<std::pair<std::string, std::unique_ptr<RedisChatState>>> chats_;
  MemoryApplication local_;
};

}  // namespace ravochat::state
