// Routing the application's keys to the shared state of their chat.
#include "state/redis_application.h"

#include "core/app_keys.h"
#include "ravochat/error.h"

namespace ravochat::state {

RedisApplication::RedisApplication(const std::string& address,
                                   const std::vector<std::string>& prefixes) {
  for (const std::string& prefix : prefixes) {
    chats_.emplace_back(prefix, std::make_unique<RedisChatState>(address, prefix));
  }
}

RedisChatState& RedisApplication::ChatOf(std::string_view prefix) const {
  for (const auto& [name, chat] : chats_) {
    if (strings::EqualsIgnoreCase(name, prefix)) return *chat;
  }
  throw Error("no chat '" + std::string(prefix) + "' in this process's shared state");
}

RedisChatState* RedisApplication::ChatOfKey(std::string_view key) const {
  RedisChatState* found = nullptr;
  std::size_t longest = 0;
  for (const auto& [prefix, chat] : chats_) {
    if (key.size() > prefix.size() && key[prefix.size()] == '_' &&
        strings::EqualsIgnoreCase(key.substr(0, prefix.size()), prefix) &&
        (!found || prefix.size() > longest)) {
      found = chat.get();
      longest = prefix.size();
    }
  }
  return found;
}

Value RedisApplication::Get(std::string_view key) const {
  if (auto list = app_key::SplitListKey(key)) return GetListText(ChatOf(list->prefix), list->users);
  if (RedisChatState* chat = ChatOfKey(key)) return chat->GetValue(key);
  return local_.Get(key);
}

void RedisApplication::Set(std::string_view key, Value value) {
  if (auto list = app_key::SplitListKey(key))
    return SetListText(ChatOf(list->prefix), list->users, value);
  if (RedisChatState* chat = ChatOfKey(key)) return chat->SetValue(key, std::move(value));
  local_.Set(key, std::move(value));
}

}  // namespace ravochat::state
