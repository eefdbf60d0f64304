// The state snapshot: each chat's running values and the sessions as rows of state_snapshot,
// written in one transaction at a stop and read and deleted in one at the next start. A
// snapshot is taken back whole or not at all; the host logs why it was not.
#include "ravochat/snapshot.h"

#include <cstdlib>
#include <utility>

#include "core/app_keys.h"
#include "core/convert.h"
#include "core/records.h"
#include "core/value_codec.h"
#include "messages/says_ring.h"
#include "ravochat/database.h"
#include "state/chat_state.h"

namespace ravochat {
namespace {

// The version of the rows' encoding; a snapshot of any other is ignored.
constexpr std::int64_t kFormat = 1;
constexpr std::string_view kValueRow = "value";
constexpr std::string_view kSessionRow = "session";

// One row of state_snapshot, in the order of kSelectRows.
struct Row {
  Value version, saved_time, chat, kind, name, body, used_time;
};
constexpr std::string_view kSelectRows =
    "SELECT version, saved_time, chat, kind, name, body, used_time FROM state_snapshot";

// Adds one row of this format saved at `saved_time`, holding `value` encoded.
void Insert(db::Connection& conn, const Value& saved_time, std::string_view chat,
            std::string_view kind, std::string_view name, const Value& value,
            const Value& used_time = Value::Null()) {
  conn.Execute(
      "INSERT INTO state_snapshot (version, saved_time, chat, kind, name, body, used_time) "
      "VALUES (?, ?, ?, ?, ?, ?, ?)",
      {Value(kFormat), saved_time, Value(chat), Value(kind), Value(name),
       Value(value_codec::EncodeValue(value)), used_time});
}

// A session's values as one array: name, value, name, value, ...
Value SessionArray(const ValueMap& values) {
  std::vector<Value> elements;
  for (const auto& [name, value] : values) {
    elements.emplace_back(name);
    elements.push_back(value);
  }
  return Value::Array(std::move(elements));
}

ValueMap SessionValues(const Value& array) {
  const std::vector<Value>& elements = array.Elements();
  if (elements.size() % 2 != 0) throw SnapshotError("a saved session has a name without value");
  ValueMap values;
  for (std::size_t i = 0; i < elements.size(); i += 2) {
    values[convert::ToText(elements[i])] = elements[i + 1];
  }
  return values;
}

std::vector<Row> ReadRows(db::Connection& conn) {
  std::vector<Row> rows;
  for (db::Recordset rs = conn.Execute(kSelectRows); !rs.Eof(); rs.MoveNext()) {
    rows.push_back({rs.FieldAt(0), rs.FieldAt(1), rs.FieldAt(2), rs.FieldAt(3), rs.FieldAt(4),
                    rs.FieldAt(5), rs.FieldAt(6)});
  }
  return rows;
}

Date ReadDate(const Value& text) {
  Date date;
  if (!convert::ParseDate(convert::ToText(text), date)) {
    throw SnapshotError("\"" + convert::ToText(text) + "\" is no date");
  }
  return date;
}

// Throws SnapshotError unless every row has this format and the first row's saved time,
// and that time lies within `max_age_seconds` of `now`.
void CheckStamp(const std::vector<Row>& rows, Date now, std::int64_t max_age_seconds) {
  const std::string saved = convert::ToText(rows.front().saved_time);
  for (const Row& row : rows) {
    if (convert::ToText(row.version) != std::to_string(kFormat)) {
      throw SnapshotError("the snapshot has format " + convert::ToText(row.version) +
                          ", this version reads " + std::to_string(kFormat));
    }
    if (convert::ToText(row.saved_time) != saved) {
      throw SnapshotError("the snapshot mixes rows saved at " + saved + " and " +
                          convert::ToText(row.saved_time));
    }
  }
  if (std::llabs(now.seconds - ReadDate(rows.front().saved_time).seconds) > max_age_seconds) {
    throw SnapshotError("the snapshot was saved at " + saved + ", more than " +
                        std::to_string(max_age_seconds) + " seconds from now");
  }
}

// Throws SnapshotError unless `values` hold both lists as text and a whole ring: a grid of
// message rows whose index names one of its rows.
void CheckChat(const std::string& chat, const ValueMap& values) {
  auto find = [&](std::string_view name) -> const Value& {
    auto it = values.find(name);
    if (it == values.end()) {
      throw SnapshotError("the snapshot of chat '" + chat + "' lacks " + std::string(name));
    }
    return it->second;
  };
  for (std::string_view name : app_key::kRunningValues) find(name);
  if (!find(app_key::kUserList).AsText() || !find(app_key::kRoomList).AsText()) {
    throw SnapshotError("the snapshot of chat '" + chat + "' holds a list that is no text");
  }
  const Value& says = find(app_key::kSays);
  try {
    if (says.GetGrid().cols != ring_field::kCount) throw SnapshotError("rows of another width");
    messages::NumberAt(says, messages::CurrentRow(find(app_key::kCurrent)));
  } catch (const Error& e) {
    throw SnapshotError("the ring of chat '" + chat + "' is not whole: " + e.what());
  }
}

Snapshot Decode(const std::vector<Row>& rows) {
  Snapshot snapshot;
  for (const Row& row : rows) {
    const std::string chat = convert::ToText(row.chat);
    const std::string kind = convert::ToText(row.kind);
    Value value = value_codec::DecodeValue(convert::ToText(row.body));
    if (kind == kValueRow) {
      snapshot.chats[chat][convert::ToText(row.name)] = std::move(value);
    } else if (kind == kSessionRow) {
      snapshot.sessions.push_back(
          {chat, convert::ToText(row.name), ReadDate(row.used_time), SessionValues(value)});
    } else {
      throw SnapshotError("the snapshot holds a row of kind '" + kind + "'");
    }
  }
  for (const auto& [chat, values] : snapshot.chats) CheckChat(chat, values);
  return snapshot;
}

}  // namespace

ValueMap CaptureChat(Application& app, std::string_view const_str) {
  ValueMap values;
  state::ChatState& chat = app.Chat(const_str);
  state::MutexLock lock(chat.mutex());
  values[std::string(app_key::kUserList)] = Value(chat.Text(state::List::kUsers));
  values[std::string(app_key::kRoomList)] = Value(chat.Text(state::List::kRooms));
  for (std::string_view name : app_key::kRunningValues) {
    values[std::string(name)] = app.Get(app_key::AppKey(const_str, name));
  }
  return values;
}

void SaveSnapshot(const std::string& connstr, const Clock& clock, const Snapshot& snapshot) {
  auto conn = db::Connection::Open(connstr, clock);
  const Value saved_time(clock.Now());
  db::Transaction transaction(*conn);
  conn->Execute("DELETE FROM state_snapshot");
  for (const auto& [chat, values] : snapshot.chats) {
    for (const auto& [name, value] : values)
      Insert(*conn, saved_time, chat, kValueRow, name, value);
  }
  for (const SavedSession& session : snapshot.sessions) {
    Insert(*conn, saved_time, session.chat, kSessionRow, session.id, SessionArray(session.values),
           Value(session.last_used));
  }
  transaction.Commit();
}

std::optional<Snapshot> TakeSnapshot(const std::string& connstr, const Clock& clock,
                                     std::int64_t max_age_seconds) {
  auto conn = db::Connection::Open(connstr, clock);
  std::vector<Row> rows;
  {
    db::Transaction transaction(*conn);
    rows = ReadRows(*conn);
    if (!rows.empty()) conn->Execute("DELETE FROM state_snapshot");
    transaction.Commit();
  }
  if (rows.empty()) return std::nullopt;
  CheckStamp(rows, clock.Now(), max_age_seconds);
  return Decode(rows);
}

}  // namespace ravochat
