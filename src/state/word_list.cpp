#include "state/word_list.h"

namespace ravochat::state {

bool WordList::IsPlainWord(std::string_view word) {
  return !word.empty() && word.find(' ') == std::string_view::npos;
}

std::optional<WordList> WordList::Parse(std::string_view field) {
  WordList list;
  if (field.starts_with(' ')) {
    list.leading_blank_ = true;
    field.remove_prefix(1);
  }
  if (field.empty()) return list;
  std::size_t at = 0;
  while (true) {
    const std::size_t blank = field.find(' ', at);
    const std::string_view word = field.substr(at, blank - at);
    if (word.empty() || list.Contains(word)) return std::nullopt;
    list.words_.Append(std::string(word), {});
    if (blank == std::string_view::npos) return list;
    at = blank + 1;
  }
}

std::string WordList::Text() const {
  std::string text = leading_blank_ ? " " : "";
  bool first = true;
  words_.ForEach([&](const std::string& word, const Empty&) {
    if (!first) text += ' ';
    text += word;
    first = false;
  });
  return text;
}

void WordList::Add(std::string_view word) {
  if (Contains(word)) return;
  leading_blank_ = words_.Size() == 0;
  words_.Append(std::string(word), {});
}

void WordList::Remove(std::string_view word) {
  words_.Erase(word);
  leading_blank_ = false;
}

}  // namespace ravochat::state
