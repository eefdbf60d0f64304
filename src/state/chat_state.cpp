#include "state/chat_state.h"

#include <array>
#include <utility>

#include "core/convert.h"
#include "core/records.h"

namespace ravochat::state {

Value GetListText(ChatState& chat, bool users) {
  const List list = users ? List::kUsers : List::kRooms;
  MutexLock lock(chat.mutex());
  return chat.IsSet(list) ? Value(chat.Text(list)) : Value();
}

void SetListText(ChatState& chat, bool users, const Value& value) {
  const std::string text = convert::ToText(value);
  MutexLock lock(chat.mutex());
  chat.SetText(users ? List::kUsers : List::kRooms, text);
}

MemoryChatState::MemoryChatState() : users_(), rooms_(room_field::kOccupants) {}

void MemoryChatState::Reset() {
  users_ = IndexedList();
  rooms_ = IndexedList(room_field::kOccupants);
}

std::string MemoryChatState::Text(List list) const { return Of(list).Text(); }

void MemoryChatState::SetText(List list, std::string_view text) { Of(list).SetText(text); }

std::size_t MemoryChatState::Count(List list) const { return Of(list).Count(); }

bool MemoryChatState::Contains(List list, std::string_view key) const {
  return Of(list).Contains(key);
}

std::vector<std::string> MemoryChatState::Keys(List list) const { return Of(list).Keys(); }

std::optional<Fields> MemoryChatState::Find(List list, std::string_view key) const {
  return Of(list).Find(key);
}

std::size_t MemoryChatState::FieldCount(List list, std::string_view key) const {
  return Of(list).FieldCount(key);
}

std::string MemoryChatState::Field(List list, std::string_view key, std::size_t index) const {
  return Of(list).Field(key, index);
}

void MemoryChatState::SetSeen(std::string_view name, std::string at, std::string sent) {
  std::array<std::pair<std::size_t, std::string>, 2> fields{
      {{user_field::kLastSeen, std::move(at)}, {user_field::kLastSayId, std::move(sent)}}};
  Of(List::kUsers).SetFields(name, fields);
}

void MemoryChatState::SetField(List list, std::string_view key, std::size_t index,
                               std::string value) {
  Of(list).SetField(key, index, std::move(value));
}

void MemoryChatState::Append(List list, std::string key, Fields fields) {
  Of(list).Append(std::move(key), std::move(fields));
}

bool MemoryChatState::Remove(List list, std::string_view key) { return Of(list).Remove(key); }

bool MemoryChatState::HasOccupant(std::string_view room, std::string_view name) const {
  return rooms_.HasWord(room, name);
}

void MemoryChatState::AddOccupant(std::string_view room, std::string_view name) {
  rooms_.AddWord(room, name);
}

void MemoryChatState::RemoveOccupant(std::string_view room, std::string_view name) {
  rooms_.RemoveWord(room, name);
}

std::size_t MemoryChatState::OccupantCount(std::string_view room) const {
  return rooms_.WordCount(room);
}

}  // namespace ravochat::state
