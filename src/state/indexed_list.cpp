#include "state/indexed_list.h"

#include <utility>

#include "core/keyed_list.h"
#include "core/strings.h"
#include "ravochat/error.h"

namespace ravochat::state {
namespace {

[[noreturn]] void ThrowMissing(std::string_view key) {
  throw ListKeyError("the list holds no record of key \"" + std::string(key) + "\"");
}

}  // namespace

IndexedList::Record IndexedList::MakeRecord(Fields fields) const {
  Record record{std::move(fields), std::nullopt};
  if (word_field_ && *word_field_ < record.fields.size()) {
    std::string& field = record.fields[*word_field_];
    record.words = WordList::Parse(field);
    if (record.words) field.clear();
  }
  return record;
}

const IndexedList::Record& IndexedList::Get(std::string_view key) const {
  const Record* record = records_.Find(key);
  if (record == nullptr) ThrowMissing(key);
  return *record;
}

IndexedList::Record& IndexedList::Get(std::string_view key) {
  Record* record = records_.Find(key);
  if (record == nullptr) ThrowMissing(key);
  return *record;
}

std::string IndexedList::WordFieldText(const Record& record) const {
  return record.words ? record.words->Text() : record.fields[*word_field_];
}

void IndexedList::AppendText(std::string& out, const std::string& key, const Record& record) const {
  out.append("<$").append(key).append(keyed_list::kFieldEnd);
  for (std::size_t i = 0; i < record.fields.size(); ++i) {
    if (i > 0) out.append(keyed_list::kFieldEnd);
    if (word_field_ && i == *word_field_) {
      out.append(WordFieldText(record));
    } else {
      out.append(record.fields[i]);
    }
  }
  out.append("<$").append(key).append(keyed_list::kFieldEnd);
}

const std::string& IndexedList::Text() const {
  if (!text_) {
    std::string text;
    records_.ForEach([&](const std::string& key, const Record& r) { AppendText(text, key, r); });
    text_ = std::move(text);
  }
  return *text_;
}

void IndexedList::SetText(std::string_view text) {
  OrderedIndex<Record> records;
  std::string rebuilt;
  for (keyed_list::Entry& entry : keyed_list::Records(text)) {
    if (records.Find(entry.key) != nullptr) break;  // not a list this structure can hold
    Record& record = records.Append(entry.key, MakeRecord(keyed_list::SplitFields(entry.body)));
    AppendText(rebuilt, entry.key, record);
  }
  damaged_ = rebuilt != text;
  if (damaged_) records.Clear();
  records_ = std::move(records);
  text_ = std::string(text);
  set_ = true;
}

void IndexedList::Changed() {
  text_.reset();
  set_ = true;
}

std::vector<std::string> IndexedList::Keys() const {
  std::vector<std::string> keys;
  keys.reserve(records_.Size());
  records_.ForEach([&](const std::string& key, const Record&) { keys.push_back(key); });
  return keys;
}

std::optional<Fields> IndexedList::Find(std::string_view key) const {
  const Record* record = records_.Find(key);
  if (record == nullptr) return std::nullopt;
  Fields fields = record->fields;
  if (record->words) fields[*word_field_] = record->words->Text();
  return fields;
}

std::string IndexedList::Field(std::string_view key, std::size_t index) const {
  const Record& record = Get(key);
  const std::string& field = keyed_list::FieldAt(record.fields, index, key);
  return word_field_ && index == *word_field_ ? WordFieldText(record) : field;
}

void IndexedList::SetField(std::string_view key, std::size_t index, std::string value) {
  std::pair<std::size_t, std::string> field{index, std::move(value)};
  SetFields(key, {&field, 1});
}

void IndexedList::SetFields(std::string_view key,
                            std::span<std::pair<std::size_t, std::string>> values) {
  Record& record = Get(key);
  bool words = false;
  for (const auto& [index, value] : values) {
    keyed_list::FieldAt(record.fields, index, key);
    words = words || (word_field_ && index == *word_field_);
  }
  for (auto& [index, value] : values) record.fields[index] = std::move(value);
  if (words) record = MakeRecord(std::move(record.fields));
  Changed();
}

void IndexedList::Append(std::string key, Fields fields) {
  // A damaged list has no records to find; only a new text mends it.
  if (damaged_) throw ListKeyError("the list text is not a sequence of whole records");
  records_.Erase(key);
  records_.Append(std::move(key), MakeRecord(std::move(fields)));
  Changed();
}

bool IndexedList::Remove(std::string_view key) {
  if (!records_.Erase(key)) return false;
  Changed();
  return true;
}

void IndexedList::CheckWordField(const Record& record, std::string_view key) const {
  keyed_list::FieldAt(record.fields, word_field_.value_or(record.fields.size()), key);
}

bool IndexedList::HasWord(std::string_view key, std::string_view word) const {
  const Record& record = Get(key);
  CheckWordField(record, key);
  if (record.words && WordList::IsPlainWord(word)) return record.words->Contains(word);
  const std::string padded = " " + WordFieldText(record) + " ";
  return padded.find(" " + std::string(word) + " ") != std::string::npos;
}

void IndexedList::EditWord(std::string_view key, std::string_view word, bool add) {
  Record& record = Get(key);
  CheckWordField(record, key);
  if (record.words && WordList::IsPlainWord(word)) {
    add ? record.words->Add(word) : record.words->Remove(word);
  } else {
    // A word the set cannot hold, or a field it does not: the text rules edit the text.
    const std::string text = WordFieldText(record);
    SetField(key, *word_field_,
             add ? keyed_list::AddWord(text, word) : keyed_list::RemoveWord(text, word));
  }
  Changed();
}

std::size_t IndexedList::WordCount(std::string_view key) const {
  const Record& record = Get(key);
  CheckWordField(record, key);
  if (record.words) return record.words->Count();
  const std::string_view text = strings::TrimView(record.fields[*word_field_]);
  if (text.empty()) return 0;
  std::size_t count = 1;
  for (char c : text) count += c == ' ' ? 1 : 0;
  return count;
}

}  // namespace ravochat::state
