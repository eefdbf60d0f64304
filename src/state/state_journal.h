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

struct JournalChange {
  char kind = 0;
  std::vector<std::string> fields;
};

class JournalWriter {
 public:
  void Add(char kind, std::initializer_list<std::string_view> fields);
  // Adds `fields` after the ones given to Add, so that a record's fields need no copy.
  void Add(char kind, std::initializer_list<std::string_view> fields,
           const std::vector<std::string>& more);
  bool empty() const { return text_.empty(); }
  const std::string& text() const { return text_; }
  void Clear() { text_.clear(); }

 private:
  void Field(std::string_view field);

  std::string text_;
};

// The changes of `entry`. Throws StateError for a text JournalWriter did not make.
std::vector<JournalChange> ReadJournal(std::string_view entry);

}  // namespace ravochat::state
