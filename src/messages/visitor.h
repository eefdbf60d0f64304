// The records a message operation edits: the visitor's own user record as getLevel leaves it
// (the user list split around it, and its fields) and the record of the visitor's room.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/keyed_list.h"
#include "ravochat/host.h"
#include "ravochat/value.h"

namespace ravochat::messages {

// Sets field `index` of the record of `key`. Throws ListKeyError when it has no such field.
void SetField(std::vector<std::string>& fields, std::size_t index, std::string value,
              std::string_view key);

// Notes in the user record `fields` of `name` that he was sent every message up to number
// `newest` at `now`: his last poll time and last received number. Throws ListKeyError for a
// record too short.
void MarkSent(std::vector<std::string>& fields, Date now, std::string newest,
              std::string_view name);

// The user list with the record of `key` rebuilt from `fields` between `parts` (before,
// body, after); the before and after pieces are moved out of `parts`.
std::string RejoinRecord(std::vector<std::string>& parts, const std::vector<std::string>& fields,
                         std::string_view key);

// A room record taken out of the room list.
struct RoomRecord {
  std::string key;  // the room ID in decimal
  keyed_list::RecordParts parts;
  std::vector<std::string> fields;

  // Field `index`; throws ListKeyError when the record has no such field.
  const std::string& Field(std::size_t index) const;
  std::string& MutableField(std::size_t index);
};

// The record of room `room` in `room_list`. Throws ListKeyError when it is missing.
RoomRecord ReadRoom(std::string_view room_list, std::int32_t room);
// Stores the room list with `room` put back under the application key `key`.
void StoreRoom(Application& app, std::string_view key, RoomRecord& room);

// The text `v` holds, without a copy; any other kind is converted into `scratch`.
const std::string& TextOf(const Value& v, std::string& scratch);

}  // namespace ravochat::messages
