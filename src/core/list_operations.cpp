// DelList, GetListValue and SetListValue: the site's pages edit list strings through
// these, by the same rules the component's own code follows through keyed_list.
#include "list_operations.h"

#include "convert.h"
#include "keyed_list.h"
#include "ravochat/error.h"
#include "ravochat/lumochat.h"

namespace ravochat::list_operations {
namespace {

[[noreturn]] void ThrowNoField(std::string_view key, std::int64_t n) {
  throw ListKeyError("the record of key \"" + std::string(key) + "\" has no field " +
                     std::to_string(n));
}

// The field number `index` as a position; a negative number is a missing field.
std::size_t FieldIndex(const Value& index, std::string_view key) {
  std::int32_t n = convert::ToInt32(index);
  if (n < 0) ThrowNoField(key, n);
  return static_cast<std::size_t>(n);
}

// The position of field `index` of a record split into `fields`. The element behind the
// last field is no field: writing it would lose the "$>" that ends the record body.
std::size_t WritableField(const std::vector<std::string>& fields, const Value& index,
                          std::string_view key) {
  std::size_t n = FieldIndex(index, key);
  if (n + 1 >= fields.size()) ThrowNoField(key, static_cast<std::int64_t>(n));
  return n;
}

// The field changed by a word mode: -1 removes `word`, 0 replaces, others add `word`.
std::string ChangeByWord(const std::string& field, double mode, const Value& word) {
  if (mode == -1) return keyed_list::RemoveWord(field, convert::ToText(word));
  if (mode == 0) return convert::ToText(word);
  return keyed_list::AddWord(field, convert::ToText(word));
}

// The first change, which alone knows the numeric mode (any mode but -1, 0 and 1).
std::string FirstChange(const std::string& field, double mode, const Value& value) {
  if (mode == -1 || mode == 0 || mode == 1) return ChangeByWord(field, mode, value);
  std::int16_t addend = convert::ToInt16(value);
  return convert::ToText(Value(convert::ToDouble(Value(field)) + addend));
}

}  // namespace

std::string DelList(const Value& list, const Value& key) {
  std::string key_text = convert::ToText(key);
  keyed_list::RecordParts parts = keyed_list::SplitRecord(convert::ToText(list), key_text);
  return parts.before + parts.after;
}

std::string GetListValue(const Value& list, const Value& key, const Value& index) {
  std::string key_text = convert::ToText(key);
  std::vector<std::string> fields = keyed_list::RecordFields(convert::ToText(list), key_text);
  return keyed_list::FieldAt(fields, FieldIndex(index, key_text), key_text);
}

std::string SetListValue(const Value& list, const Value& key, const Value& index1,
                         const Value& value1, const Value& mode1,
                         const std::optional<Value>& index2, const std::optional<Value>& value2,
                         const std::optional<Value>& mode2) {
  std::string key_text = convert::ToText(key);
  keyed_list::Record record = keyed_list::TakeRecord(convert::ToText(list), key_text);
  std::vector<std::string>& fields = record.fields;
  std::size_t first = WritableField(fields, index1, key_text);
  fields[first] = FirstChange(fields[first], convert::ToDouble(mode1), value1);
  if (index2.has_value()) {
    std::size_t second = WritableField(fields, *index2, key_text);
    fields[second] = ChangeByWord(fields[second], convert::ToDouble(mode2.value_or(Value())),
                                  value2.value_or(Value()));
  }
  return record.ListText();
}

}  // namespace ravochat::list_operations

namespace ravochat {

std::string lumochat::DelList(const Value& ListStr, const Value& IndexStr) {
  return list_operations::DelList(ListStr, IndexStr);
}

std::string lumochat::GetListValue(const Value& ListStr, const Value& IndexStr,
                                   const Value& IndexNum) {
  return list_operations::GetListValue(ListStr, IndexStr, IndexNum);
}

std::string lumochat::SetListValue(const Value& ListStr, const Value& IndexStr,
                                   const Value& IndexNum1, const Value& Value1,
                                   const Value& SetMod1, const std::optional<Value>& IndexNum2,
                                   const std::optional<Value>& Value2,
                                   const std::optional<Value>& SetMod2) {
  return list_operations::SetListValue(ListStr, IndexStr, IndexNum1, Value1, SetMod1, IndexNum2,
                                       Value2, SetMod2);
}

}  // namespace ravochat
