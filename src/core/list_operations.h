// The public list operations of the site's pages (DelList, GetListValue, SetListValue)
// as free functions over keyed list strings; the lumochat members call these.
#pragma once

#include <optional>
#include <string>

#include "ravochat/value.h"

namespace ravochat::list_operations {

// The list without the record of `key`. Throws ListKeyError when the key is missing.
std::string DelList(const Value& list, const Value& key);

// Field `index` of the record of `key`; the element behind the last field is "".
// Throws ListKeyError (missing key or field), ConversionError (non-numeric index).
std::string GetListValue(const Value& list, const Value& key, const Value& index);

// The list with field `index1` of the record of `key` changed by `mode1`: -1 removes the
// word `value1`, 0 replaces the field by it, 1 adds it as a word, any other mode adds
// `value1` (as a 16-bit number) to the field's number. When `index2` is given, field
// `index2` is then changed by `mode2`: -1 removes, 0 replaces, any other adds a word;
// a missing `value2` or `mode2` is the empty value.
// Throws ListKeyError, ConversionError, OverflowError.
std::string SetListValue(const Value& list, const Value& key, const Value& index1,
                         const Value& value1, const Value& mode1,
                         const std::optional<Value>& index2 = std::nullopt,
                         const std::optional<Value>& value2 = std::nullopt,
                         const std::optional<Value>& mode2 = std::nullopt);

}  // namespace ravochat::list_operations
