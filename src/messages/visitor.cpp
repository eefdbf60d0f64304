// Putting the visitor's record and his room's record back into their lists.
#include "messages/visitor.h"

#include <utility>

#include "core/convert.h"
#include "core/keyed_list.h"
#include "core/records.h"

namespace ravochat::messages {

void SetField(std::vector<std::string>& fields, std::size_t index, std::string value,
              std::string_view key) {
  keyed_list::FieldAt(fields, index, key);
  fields[index] = std::move(value);
}

void MarkSent(std::vector<std::string>& fields, Date now, std::string newest,
              std::string_view name) {
  SetField(fields, user_field::kLastSeen, convert::DateToText(now), name);
  SetField(fields, user_field::kLastSayId, std::move(newest), name);
}

std::string RejoinRecord(std::vector<std::string>& parts, const std::vector<std::string>& fields,
                         std::string_view key) {
  keyed_list::RecordParts record{std::move(parts.at(0)), keyed_list::JoinFields(fields),
                                 std::move(parts.at(2))};
  parts.clear();
  return keyed_list::JoinRecord(record, key);
}

const std::string& RoomRecord::Field(std::size_t index) const {
  return keyed_list::FieldAt(fields, index, key);
}

std::string& RoomRecord::MutableField(std::size_t index) {
  keyed_list::FieldAt(fields, index, key);
  return fields[index];
}

RoomRecord ReadRoom(std::string_view room_list, std::int32_t room) {
  RoomRecord record{convert::ToText(room), {}, {}};
  record.parts = keyed_list::SplitRecord(room_list, record.key);
  record.fields = keyed_list::SplitFields(record.parts.body);
  return record;
}

void StoreRoom(Application& app, std::string_view key, RoomRecord& room) {
  room.parts.body = keyed_list::JoinFields(room.fields);
  app.Set(key, Value(keyed_list::JoinRecord(room.parts, room.key)));
}

const std::string& TextOf(const Value& v, std::string& scratch) {
  if (const std::string* held = v.AsText()) return *held;
  scratch = convert::ToText(v);
  return scratch;
}

}  // namespace ravochat::messages
