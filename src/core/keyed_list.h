// Keyed list strings: "<$key$>f0$>f1$>...$><$key$>" records, concatenated.
// Neither keys nor fields may contain "$>" or "<$"; the format has no escaping.
// The user list and the room list are kept in this form; every operation that reads,
// counts or edits them goes through these functions.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ravochat::keyed_list {

inline constexpr std::string_view kFieldEnd = "$>";
inline constexpr std::string_view kRecordSeam = "$><$";

// True when `list` holds the record of `key` (exact comparison).
bool Contains(std::string_view list, std::string_view key);
// Number of records in `list`, counted without splitting it: the pieces between "$><$"
// divided by 2.
std::size_t CountRecords(std::string_view list);

// A list split around one record.
struct RecordParts {
  std::string before;
  std::string body;  // the fields joined by "$>", the last one included
  std::string after;
};

// Splits `list` around the record of `key`. Throws ListKeyError naming the key when
// `list` holds no record of `key`.
RecordParts SplitRecord(std::string_view list, std::string_view key);
// The pieces back together around the record of `key`.
std::string JoinRecord(const RecordParts& parts, std::string_view key);

// The fields of a record body: split at "$>", so the element behind the last field is
// the empty text.
std::vector<std::string> SplitFields(std::string_view body);
std::string JoinFields(const std::vector<std::string>& fields);

// Field `index` of `fields`; throws ListKeyError naming `key` when there is none.
const std::string& FieldAt(const std::vector<std::string>& fields, std::size_t index,
                           std::string_view key);
std::string& FieldAt(std::vector<std::string>& fields, std::size_t index, std::string_view key);

// `before`, the record of `key` rebuilt from `fields`, and `after`, as one list text.
std::string JoinRecord(std::string_view before, const std::vector<std::string>& fields,
                       std::string_view after, std::string_view key);

// A record taken out of a list to be read or changed and put back.
struct Record {
  std::string key;
  RecordParts parts;  // the list around the record; `body` is the record as taken
  std::vector<std::string> fields;

  // Field `index`; throws ListKeyError naming the key when the record has no such field.
  const std::string& Field(std::size_t index) const;
  std::string& MutableField(std::size_t index);
  // The whole list with this record rebuilt from `fields`.
  std::string ListText() const;
};

// The record of `key` taken out of `list`; the list is copied once. Throws ListKeyError
// naming the key when `list` holds no (closed) record of `key`.
Record TakeRecord(std::string_view list, std::string_view key);
// As TakeRecord, but nothing when `list` holds no record of `key`; the list is searched once.
std::optional<Record> TakeListedRecord(std::string_view list, std::string_view key);
// Only the fields of the record of `key`, without copying the rest of the list. Throws as
// TakeRecord.
std::vector<std::string> RecordFields(std::string_view list, std::string_view key);

// One record of a list as Records finds it.
struct Entry {
  std::string key;
  std::string body;
};
// Every record of `list` in order. Stops at the first piece that is not a whole record.
std::vector<Entry> Records(std::string_view list);

// Words of a blank-separated field (the occupant list of a room, a friends list).
// Every " word " of " field " becomes " " in one left-to-right pass (so of two neighbouring
// copies the second stays), then the field is trimmed.
std::string RemoveWord(std::string_view field, std::string_view word);
// The word appended after one blank unless " word " is already in " field ".
std::string AddWord(std::string_view field, std::string_view word);

}  // namespace ravochat::keyed_list
