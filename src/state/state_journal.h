// The changes one locked sequence made to a chat's state, written as text that the other
// processes sharing the chat read back and apply in the same order. An entry is a run of
// changes, each its letter, its field count and ";", then every field as its byte length,
// ":" and its bytes.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace ravochat::state {

// The kinds of change, each named in an entry by its letter.
enum class Change : char {
  kListText = 'T',
  kField = 'F',
  kAppend = 'A',
  kRemove = 'D',
  kAddOccupant = 'O',
  kRemoveOccupant = 'o',
  kValue = 'V',
  kGridRow = 'W',
  kNote = 'n',
  kStrike = 's',
  kForget = 'f',
  kSendAway = 'a',
  kTakeSentAway = 't',
};

// The fields of each kind of change, in order; a change has at least `count` of them.
struct ChangeFields {
  Change kind;
  std::size_t count;
  std::string_view fields;
};
inline constexpr ChangeFields kChangeFields[] = {
    {Change::kListText, 3, "list, place of its first record, the list's text"},
    {Change::kField, 4, "list, key, field index, value"},
    {Change::kAppend, 3, "list, key, place, then the record's fields"},
    {Change::kRemove, 2, "list, key"},
    {Change::kAddOccupant, 2, "room, name"},
    {Change::kRemoveOccupant, 2, "room, name"},
    {Change::kValue, 2, "application key, the encoded value"},
    {Change::kGridRow, 3, "application key of a grid, row, the encoded row"},
    {Change::kNote, 3, "restraint key, seconds of the date, window seconds"},
    {Change::kStrike, 1, "restraint key"},
    {Change::kForget, 1, "restraint key"},
    {Change::kSendAway, 1, "token"},
    {Change::kTakeSentAway, 1, "token"},
};

struct JournalChange {
  Change kind = Change::kListText;
  std::vector<std::string> fields;
};

class JournalWriter {
 public:
  void Add(Change kind, std::initializer_list<std::string_view> fields);
  // Adds `fields` after the ones given to Add, so that a record's fields need no copy.
  void Add(Change kind, std::initializer_list<std::string_view> fields,
           const std::vector<std::string>& more);
  bool empty() const { return text_.empty(); }
  const std::string& text() const { return text_; }
  void Clear() { text_.clear(); }

 private:
  void Field(std::string_view field);

  std::string text_;
};

// The changes of `entry`. Throws StateError for a text JournalWriter did not make, a kind of
// change not in kChangeFields among them or one with fewer fields than its kind has.
std::vector<JournalChange> ReadJournal(std::string_view entry);

}  // namespace ravochat::state
