// Marking what the visitor was sent, and reading text values without a copy.
#include "messages/visitor.h"

#include <utility>

#include "core/convert.h"
#include "core/keyed_list.h"
#include "core/records.h"

namespace ravochat::messages {

void MarkSent(std::vector<std::string>& fields, Date now, std::string newest,
              std::string_view name) {
  keyed_list::FieldAt(fields, user_field::kLastSeen, name) = convert::DateToText(now);
  keyed_list::FieldAt(fields, user_field::kLastSayId, name) = std::move(newest);
}

const std::string& TextOf(const Value& v, std::string& scratch) {
  if (const std::string* held = v.AsText()) return *held;
  scratch = convert::ToText(v);
  return scratch;
}

}  // namespace ravochat::messages
