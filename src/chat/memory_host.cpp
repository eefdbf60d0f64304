// The in-memory application, session and request. Keys compare by their ASCII-lower-case
// form. The application's plain values are guarded by its own reader-writer lock, held for
// one Get or Set; each chat's lists live in the chat's state, under the chat's mutex.
#include <algorithm>
#include <utility>

#include "core/app_keys.h"
#include "core/strings.h"
#include "ravochat/host.h"
#include "state/chat_state.h"

namespace ravochat {
namespace {

// The order of ASCII-lower-case forms, bytes read unsigned as std::string orders them.
unsigned char Fold(char c) { return static_cast<unsigned char>(strings::LowerAscii(c)); }

Value Find(const ValueMap& map, std::string_view key) {
  auto it = map.find(key);
  return it == map.end() ? Value() : it->second;
}

void Store(ValueMap& map, std::string_view key, Value value) {
  auto it = map.find(key);
  if (it == map.end()) {
    map.emplace(std::string(key), std::move(value));
  } else {
    it->second = std::move(value);
  }
}

}  // namespace

bool CaseInsensitiveLess::operator()(std::string_view a, std::string_view b) const {
  // Keys of one chat share their prefix: equal bytes are passed over without folding.
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    if (a[i] == b[i]) continue;
    const unsigned char x = Fold(a[i]);
    const unsigned char y = Fold(b[i]);
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

MemoryApplication::MemoryApplication() = default;
MemoryApplication::~MemoryApplication() = default;

state::MemoryChatState& MemoryApplication::ChatOf(std::string_view prefix) const {
  {
    std::shared_lock lock(mutex_);
    auto it = chats_.find(prefix);
    if (it != chats_.end()) return *it->second;
  }
  std::unique_lock lock(mutex_);
  auto [it, added] = chats_.try_emplace(std::string(prefix));
  if (added) it->second = std::make_unique<state::MemoryChatState>();
  return *it->second;
}

state::ChatState& MemoryApplication::Chat(std::string_view prefix) { return ChatOf(prefix); }

Value MemoryApplication::Get(std::string_view key) const {
  if (auto list = app_key::SplitListKey(key))
    return state::GetListText(ChatOf(list->prefix), list->users);
  std::shared_lock lock(mutex_);
  return Find(values_, key);
}

void MemoryApplication::Set(std::string_view key, Value value) {
  if (auto list = app_key::SplitListKey(key)) {
    return state::SetListText(ChatOf(list->prefix), list->users, value);
  }
  // The old value is released after the lock, so a large array is freed outside it.
  Value old;
  std::unique_lock lock(mutex_);
  auto it = values_.find(key);
  if (it == values_.end()) {
    values_.emplace(std::string(key), std::move(value));
  } else {
    old = std::exchange(it->second, std::move(value));
  }
}

Value MemorySession::Get(std::string_view key) const {
  std::lock_guard lock(mutex_);
  return Find(values_, key);
}

void MemorySession::Set(std::string_view key, Value value) {
  std::lock_guard lock(mutex_);
  Store(values_, key, std::move(value));
}

ValueMap MemorySession::Values() const {
  std::lock_guard lock(mutex_);
  return values_;
}

Value MemoryRequest::Item(std::string_view name) const {
  auto it = query_.find(name);
  return it != query_.end() ? it->second : Find(form_, name);
}

Value MemoryRequest::Form(std::string_view name) const { return Find(form_, name); }

Value MemoryRequest::ServerVariable(std::string_view name) const {
  return Find(server_variables_, name);
}

Value MemoryRequest::Cookie(std::string_view name) const { return Find(cookies_, name); }

void MemoryRequest::SetQuery(std::string_view name, Value value) {
  Store(query_, name, std::move(value));
}

void MemoryRequest::SetForm(std::string_view name, Value value) {
  Store(form_, name, std::move(value));
}

void MemoryRequest::SetServerVariable(std::string_view name, Value value) {
  Store(server_variables_, name, std::move(value));
}

void MemoryRequest::SetCookie(std::string_view name, Value value) {
  Store(cookies_, name, std::move(value));
}

}  // namespace ravochat
