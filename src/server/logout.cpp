// Logging out. The list and ring changes of all visitors of one call happen under one
// hold of the application lock; the database is written after it is released.
#include "server/logout.h"

#include "core/app_keys.h"
#include "core/convert.h"
#include "core/keyed_list.h"
#include "core/records.h"
#include "core/strings.h"
#include "ravochat/database.h"
#include "ravochat/lumochat.h"

namespace ravochat::server {
namespace {

std::string Text(const Application& app, std::string_view prefix, std::string_view name) {
  return convert::ToText(app.Get(app_key::AppKey(prefix, name)));
}

// Takes `name` out of the occupant list of room `room`; returns the room's name, or ""
// when the room is gone.
std::string LeaveRoom(Application& app, std::string_view prefix, const std::string& room,
                      const std::string& name) {
  const std::string rooms = Text(app, prefix, app_key::kRoomList);
  std::optional<keyed_list::Record> record = keyed_list::TakeListedRecord(rooms, room);
  if (!record) return "";
  std::string& occupants = record->MutableField(room_field::kOccupants);
  occupants = keyed_list::RemoveWord(occupants, name);
  app.Set(app_key::AppKey(prefix, app_key::kRoomList), record->ListText());
  return record->fields[room_field::kName];
}

// The departure line in room `room`: the people list of the room's visitors loses the
// name (parent.dell), in the colours of the room-exit announcement.
void AnnounceDeparture(Application& app, std::string_view prefix, const std::string& name,
                       const std::string& room, const std::string& room_name, const Clock& clock) {
  std::vector<std::string> look = strings::Split(Text(app, prefix, app_key::kExitRoomShow), "::");
  look.resize(3);
  const std::string mess = "##离开了聊天室。<\\script>parent.dell(\\'" + name + "\\')</\\script>";
  Value says = app.Get(app_key::AppKey(prefix, app_key::kSays));
  Value current = app.Get(app_key::AppKey(prefix, app_key::kCurrent));
  lumochat chat(clock);
  chat.ConstStr = std::string(prefix);
  chat.Newsay(name, room_name, 0, convert::ToInt32(room), mess, look[1], look[2], -3, says,
              current);
  app.Set(app_key::AppKey(prefix, app_key::kSays), says);
  app.Set(app_key::AppKey(prefix, app_key::kCurrent), current);
}

// The list and ring part of a logout; the caller holds the application lock. Stores the
// record's session token in `token`.
bool LogOutLocked(Application& app, std::string_view prefix, const std::string& name,
                  const Clock& clock, std::string& token) {
  const std::string users = Text(app, prefix, app_key::kUserList);
  if (name.empty()) return false;
  const std::optional<keyed_list::Record> record = keyed_list::TakeListedRecord(users, name);
  if (!record) return false;
  const std::string room = record->Field(user_field::kRoom);
  token = record->fields[user_field::kToken];
  app.Set(app_key::AppKey(prefix, app_key::kUserList), record->parts.before + record->parts.after);
  const std::string room_name = LeaveRoom(app, prefix, room, name);
  if (convert::IsNumericText(room)) {
    AnnounceDeparture(app, prefix, name, room, room_name, clock);
  }
  return true;
}

// Sets out_time of every user row of `names` to now.
void MarkLeft(Application& app, std::string_view prefix, const std::vector<std::string>& names,
              const Clock& clock) {
  if (names.empty()) return;
  auto conn = db::Connection::Open(Text(app, prefix, app_key::kConnStr), clock);
  const std::string now = convert::DateToText(clock.Now());
  for (const std::string& name : names) {
    conn->Execute("UPDATE user SET out_time=? WHERE username=?", {Value(now), Value(name)});
  }
}

bool IsIdle(const std::string& body, Date now) {
  const std::vector<std::string> fields = keyed_list::SplitFields(body);
  Date last_seen;
  if (fields.size() <= user_field::kLastSeen ||
      !convert::ParseDate(fields[user_field::kLastSeen], last_seen)) {
    return false;
  }
  return convert::DateDiff(convert::Interval::kSecond, last_seen, now) > kIdleSeconds;
}

}  // namespace

bool LogOut(Application& app, std::string_view prefix, const std::string& name,
            const Clock& clock) {
  bool was_online = false;
  {
    auto lock = app.Lock();
    std::string token;
    was_online = LogOutLocked(app, prefix, name, clock, token);
  }
  if (was_online) MarkLeft(app, prefix, {name}, clock);
  return was_online;
}

std::vector<Departure> LogOutIdle(Application& app, std::string_view prefix, const Clock& clock) {
  std::vector<Departure> gone;
  std::vector<std::string> names;
  {
    auto lock = app.Lock();
    const Date now = clock.Now();
    for (const auto& record : keyed_list::Records(Text(app, prefix, app_key::kUserList))) {
      std::string token;
      if (IsIdle(record.body, now) && LogOutLocked(app, prefix, record.key, clock, token)) {
        gone.push_back({record.key, token});
        names.push_back(record.key);
      }
    }
  }
  MarkLeft(app, prefix, names, clock);
  return gone;
}

void ForgetInSessions(SessionStore& sessions, const std::vector<Departure>& gone) {
  if (gone.empty()) return;
  sessions.ForEach([&](MemorySession& session) {
    const std::string name = strings::Trim(convert::ToText(session.Get("myname")));
    const std::string token = convert::ToText(session.Get("mytemp"));
    for (const Departure& d : gone) {
      if (d.name == name && d.token == token) {
        session.Set("myname", Value(""));
        session.Set("mytemp", Value(""));
      }
    }
  });
}

}  // namespace ravochat::server
