// The state of one chat that every visitor's request reads and changes: the user list
// (records keyed by user name) and the room list (records keyed by room ID, whose
// occupant field is a set of names). Every read-change-store sequence holds the chat's
// mutex for its in-memory part only. The text forms are those of the keyed_list rules.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ravochat/value.h"
#include "state/chat_mutex.h"
#include "state/indexed_list.h"
#include "state/restraints.h"

namespace ravochat::state {

enum class List { kUsers, kRooms };

class ChatState {
 public:
  virtual ~ChatState() = default;

  Mutex& mutex() const RETURN_CAPABILITY(mutex_) { return mutex_; }

  // The list as text. SetText replaces every record; a text that is not whole records with
  // distinct keys is kept as it is and reads as an empty list until replaced.
  virtual std::string Text(List list) const REQUIRES(mutex_) = 0;
  // False until the list is first set or changed.
  virtual bool IsSet(List list) const REQUIRES(mutex_) = 0;
  virtual void SetText(List list, std::string_view text) REQUIRES(mutex_) = 0;

  virtual std::size_t Count(List list) const REQUIRES(mutex_) = 0;
  virtual bool Contains(List list, std::string_view key) const REQUIRES(mutex_) = 0;
  // The keys in list order.
  virtual std::vector<std::string> Keys(List list) const REQUIRES(mutex_) = 0;
  // The record's fields as keyed_list::SplitFields gives them, or nothing when unlisted.
  virtual std::optional<Fields> Find(List list, std::string_view key) const REQUIRES(mutex_) = 0;
  // Number of fields of the record of `key` (as SplitFields counts them), 0 when unlisted.
  virtual std::size_t FieldCount(List list, std::string_view key) const REQUIRES(mutex_) = 0;
  // One field. Throws ListKeyError when the record or the field is missing.
  virtual std::string Field(List list, std::string_view key, std::size_t index) const
      REQUIRES(mutex_) = 0;
  // Throws as Field.
  virtual void SetField(List list, std::string_view key, std::size_t index, std::string value)
      REQUIRES(mutex_) = 0;
  // Puts the record of `key` at the end of the list, replacing one of the same key.
  virtual void Append(List list, std::string key, Fields fields) REQUIRES(mutex_) = 0;
  // False when there was no record of `key`.
  virtual bool Remove(List list, std::string_view key) REQUIRES(mutex_) = 0;

  // The occupant field of room `room`, edited as keyed_list::AddWord / RemoveWord edit its
  // text. Throw ListKeyError when the room or its occupant field is missing.
  virtual bool HasOccupant(std::string_view room, std::string_view name) const REQUIRES(mutex_) = 0;
  virtual void AddOccupant(std::string_view room, std::string_view name) REQUIRES(mutex_) = 0;
  virtual void RemoveOccupant(std::string_view room, std::string_view name) REQUIRES(mutex_) = 0;
  virtual std::size_t OccupantCount(std::string_view room) const REQUIRES(mutex_) = 0;

  // The two fields of a visitor's record that only his own requests change: the time he was
  // last seen and the number of the last line he was sent. SetSeen sets both in the record of
  // `name`, or neither when it lacks one (throws as SetField); TakeInSeen brings every
  // visitor's up to what the other processes sharing the chat noted of them (a chat of one
  // process has nothing to do).
  virtual void SetSeen(std::string_view name, std::string at, std::string sent)
      REQUIRES(mutex_) = 0;
  virtual void TakeInSeen() REQUIRES(mutex_) {}

  // The rate windows and sent-away tokens of the chat's moderation.
  Restraints& restraints() REQUIRES(mutex_) { return restraints_; }

 protected:
  mutable Mutex mutex_;

 private:
  Restraints restraints_ GUARDED_BY(mutex_);
};

// Get and Set of a chat's "_user_list" or "_room_list" key, as every Application does them:
// the list's text form, or the empty value before the list is first set. Each takes the chat's
// mutex, which the caller must not hold.
Value GetListText(ChatState& chat, bool users);
void SetListText(ChatState& chat, bool users, const Value& value);

// The chat state in this process's memory.
class MemoryChatState : public ChatState {
 public:
  MemoryChatState();

  std::string Text(List list) const override REQUIRES(mutex_);
  bool IsSet(List list) const override REQUIRES(mutex_) { return Of(list).IsSet(); }
  void SetText(List list, std::string_view text) override REQUIRES(mutex_);
  std::size_t Count(List list) const override REQUIRES(mutex_);
  bool Contains(List list, std::string_view key) const override REQUIRES(mutex_);
  std::vector<std::string> Keys(List list) const override REQUIRES(mutex_);
  std::optional<Fields> Find(List list, std::string_view key) const override REQUIRES(mutex_);
  std::size_t FieldCount(List list, std::string_view key) const override REQUIRES(mutex_);
  std::string Field(List list, std::string_view key, std::size_t index) const override
      REQUIRES(mutex_);
  void SetField(List list, std::string_view key, std::size_t index, std::string value) override
      REQUIRES(mutex_);
  void Append(List list, std::string key, Fields fields) override REQUIRES(mutex_);
  bool Remove(List list, std::string_view key) override REQUIRES(mutex_);
  void SetSeen(std::string_view name, std::string at, std::string sent) override REQUIRES(mutex_);
  bool HasOccupant(std::string_view room, std::string_view name) const override REQUIRES(mutex_);
  void AddOccupant(std::string_view room, std::string_view name) override REQUIRES(mutex_);
  void RemoveOccupant(std::string_view room, std::string_view name) override REQUIRES(mutex_);
  std::size_t OccupantCount(std::string_view room) const override REQUIRES(mutex_);

 protected:
  // Empties both lists, as made.
  void Reset() REQUIRES(mutex_);

 private:
  IndexedList& Of(List list) REQUIRES(mutex_) { return list == List::kUsers ? users_ : rooms_; }
  const IndexedList& Of(List list) const REQUIRES(mutex_) {
    return list == List::kUsers ? users_ : rooms_;
  }

  IndexedList users_ GUARDED_BY(mutex_);
  IndexedList rooms_ GUARDED_BY(mutex_);
};

}  // namespace ravochat::state
