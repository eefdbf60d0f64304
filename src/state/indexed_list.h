// A keyed list ("<$key$>f0$>f1$>...$><$key$>" records) held as records found by key and
// kept in list order. A field changes in place; the text form is made only when asked
// for and kept until the next change, and it is exactly the text the keyed_list rules
// would have made. One field of every record may be held as a WordList (a room's occupants).
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "state/ordered_index.h"
#include "state/word_list.h"

namespace ravochat::state {

using Fields = std::vector<std::string>;

class IndexedList {
 public:
  explicit IndexedList(std::optional<std::size_t> word_field = std::nullopt)
      : word_field_(word_field) {}

  const std::string& Text() const;
  // False until the list is first set or changed.
  bool IsSet() const { return set_; }
  // Replaces every record with those of `text`. A text that is not a sequence of whole
  // records with distinct keys is kept as it is: Text gives it back, the list reads as empty,
  // and changing a record throws ListKeyError until the next SetText.
  void SetText(std::string_view text);

  std::size_t Count() const { return records_.Size(); }
  bool Contains(std::string_view key) const { return records_.Find(key) != nullptr; }
  // The keys in list order.
  std::vector<std::string> Keys() const;
  // The fields of the record of `key` as keyed_list::SplitFields gives them, or nothing.
  std::optional<Fields> Find(std::string_view key) const;
  // Number of fields of the record of `key`, 0 when unlisted.
  std::size_t FieldCount(std::string_view key) const {
    const Record* record = records_.Find(key);
    return record == nullptr ? 0 : record->fields.size();
  }
  // Field `index` of the record of `key`. Throws ListKeyError when there is no such record
  // or field.
  std::string Field(std::string_view key, std::size_t index) const;
  // Throws as Field.
  void SetField(std::string_view key, std::size_t index, std::string value);
  // Sets the fields of the record of `key` that `values` names by index: all of them, or none
  // when one is missing (throws as Field).
  void SetFields(std::string_view key, std::span<std::pair<std::size_t, std::string>> values);
  // Appends the record of `key`, replacing a record of the same key wherever it stood.
  void Append(std::string key, Fields fields);
  // False when there is no record of `key`.
  bool Remove(std::string_view key);

  // The word field of the record of `key`, as keyed_list::AddWord / RemoveWord would edit
  // its text. Throw ListKeyError when there is no such record or field.
  bool HasWord(std::string_view key, std::string_view word) const;
  void AddWord(std::string_view key, std::string_view word) { EditWord(key, word, true); }
  void RemoveWord(std::string_view key, std::string_view word) { EditWord(key, word, false); }
  // Number of blank-separated words of the word field.
  std::size_t WordCount(std::string_view key) const;

 private:
  struct Record {
    Fields fields;
    // The word field while it is in the form WordList keeps; fields[word field] is then unused.
    std::optional<WordList> words;
  };

  void EditWord(std::string_view key, std::string_view word, bool add);
  Record MakeRecord(Fields fields) const;
  const Record& Get(std::string_view key) const;
  Record& Get(std::string_view key);
  // The word field of `record` as text.
  std::string WordFieldText(const Record& record) const;
  // Checks that `record` has the word field; throws ListKeyError naming `key`.
  void CheckWordField(const Record& record, std::string_view key) const;
  void AppendText(std::string& out, const std::string& key, const Record& record) const;
  void Changed();

  std::optional<std::size_t> word_field_;
  OrderedIndex<Record> records_;
  mutable std::optional<std::string> text_;
  bool set_ = false;
  bool damaged_ = false;
};

}  // namespace ravochat::state
