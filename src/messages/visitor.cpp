// Finding and checking the visitor, marking what he was sent, and reading text values
// without a copy.
#include "messages/visitor.h"

#include <utility>

#include "core/convert.h"
#include "core/keyed_list.h"
#include "core/records.h"
#include "core/strings.h"

namespace ravochat::messages {

std::string SessionName(const Session& session) {
  return strings::Trim(convert::ToText(session.Get(kSessionName)));
}

ListedVisitor CheckRecord(const Session& session, std::string name,
                          std::vector<std::string> record) {
  ListedVisitor visitor{.name = std::move(name), .record = std::move(record)};
  if (keyed_list::FieldAt(visitor.record, user_field::kToken, visitor.name) ==
      convert::ToText(session.Get(kSessionToken))) {
    visitor.level = convert::ToInt16(
        Value(keyed_list::FieldAt(visitor.record, user_field::kEffectiveLevel, visitor.name)));
  }
  visitor.room =
      convert::ToInt32(Value(keyed_list::FieldAt(visitor.record, user_field::kRoom, visitor.name)));
  return visitor;
}

ListedVisitor FindVisitor(const Session& session, const state::ChatState& chat) {
  std::string name = SessionName(session);
  if (name.empty()) return {};
  std::optional<std::vector<std::string>> record = chat.Find(state::List::kUsers, name);
  if (!record) return ListedVisitor{.name = std::move(name)};
  ListedVisitor visitor = CheckRecord(session, std::move(name), std::move(*record));
  if (!chat.Contains(state::List::kRooms, convert::ToText(visitor.room))) visitor.level = 0;
  return visitor;
}

void MarkSent(state::ChatState& chat, const std::string& name, Date now, std::string newest) {
  chat.SetSeen(name, convert::DateToText(now), std::move(newest));
}

const std::string& TextOf(const Value& v, std::string& scratch) {
  if (const std::string* held = v.AsText()) return *held;
  scratch = convert::ToText(v);
  return scratch;
}

}  // namespace ravochat::messages
