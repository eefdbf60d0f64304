// The blank-separated names of a room's occupant field held as an ordered set, so that
// adding, finding or removing a name does not cost the size of the room. Its text is
// exactly what keyed_list::AddWord and keyed_list::RemoveWord would have made of it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "state/ordered_index.h"

namespace ravochat::state {

class WordList {
 public:
  // The words of `field` when the field is in the form the word rules keep (words of no
  // blank, each once, separated by single blanks, with at most one leading blank);
  // nothing for any other text, which only the text rules can edit exactly.
  static std::optional<WordList> Parse(std::string_view field);

  std::string Text() const;
  std::size_t Count() const { return words_.Size(); }
  bool Contains(std::string_view word) const { return words_.Find(word) != nullptr; }

  // True when `word` is one the set can hold: not empty and without blanks.
  static bool IsPlainWord(std::string_view word);
  // As keyed_list::AddWord and keyed_list::RemoveWord; `word` must be plain.
  void Add(std::string_view word);
  void Remove(std::string_view word);

  template <class F>
  void ForEach(F&& f) const {
    words_.ForEach([&](const std::string& word, const Empty&) { f(word); });
  }

 private:
  struct Empty {};
  OrderedIndex<Empty> words_;
  // AddWord leaves one blank before the first word put into an empty field.
  bool leading_blank_ = false;
};

}  // namespace ravochat::state
