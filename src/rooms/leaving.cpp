// Leaving the chat: a visitor's record leaves the user list and his name his room's
// occupant list, a departure line goes to his room, and the out_time of his user row
// becomes now. close.asp does it for one visitor; the idle sweep (usercheck.asp and the
// server's own once-a-minute sweep) for everyone whose last poll or post is more than
// kIdleSeconds old, so that a quiet chat keeps no ghosts. The list and ring changes of one
// call happen in one hold of the chat's mutex; the database is written after it.
#include <string>
#include <vector>

#include "core/app_keys.h"
#include "core/convert.h"
#include "core/keyed_list.h"
#include "core/records.h"
#include "core/strings.h"
#include "messages/ring_lines.h"
#include "messages/says_ring.h"
#include "messages/visitor.h"
#include "ravochat/lumochat.h"
#include "rooms/announcement.h"
#include "rooms/leaving.h"

namespace ravochat {
namespace {

bool IsIdle(const state::ChatState& chat, const std::string& name, Date now)
    REQUIRES(chat.mutex()) {
  Date last_seen;
  std::optional<std::vector<std::string>> record = chat.Find(state::List::kUsers, name);
  if (!record || record->size() <= user_field::kLastSeen ||
      !convert::ParseDate((*record)[user_field::kLastSeen], last_seen)) {
    return false;
  }
  return convert::DateDiff(convert::Interval::kSecond, last_seen, now) > lumochat::kIdleSeconds;
}

}  // namespace

namespace rooms {

std::optional<std::string> LogOutLocked(lumochat& component, Application& app,
                                        state::ChatState& chat, const std::string& name)
    REQUIRES(chat.mutex()) {
  const auto key = [&](std::string_view value) {
    return app_key::AppKey(component.ConstStr, value);
  };
  if (name.empty()) return std::nullopt;
  std::optional<std::vector<std::string>> record = chat.Find(state::List::kUsers, name);
  if (!record) return std::nullopt;
  const std::string room = keyed_list::FieldAt(*record, user_field::kRoom, name);
  chat.Remove(state::List::kUsers, name);
  std::string room_name;
  if (chat.Contains(state::List::kRooms, room)) {
    chat.RemoveOccupant(room, name);
    room_name = chat.Field(state::List::kRooms, room, room_field::kName);
  }
  if (convert::IsNumericText(room)) {
    // The exit template's colours, with a text of its own.
    const rooms::Announcement exit =
        rooms::SplitAnnouncement(convert::ToText(app.Get(key(app_key::kExitRoomShow))));
    const messages::RingLine line{
        .who = name,
        .to_who = room_name,
        .room = convert::ToInt32(room),
        .text = "##离开了聊天室。<\\script>parent.dell(\\'" + name + "\\')</\\script>",
        .color1 = exit.color1,
        .color2 = exit.color2,
        .act = messages::kNoticeAct};
    messages::AppendLines(component, app, chat, {&line, 1});
  }
  return keyed_list::FieldAt(*record, user_field::kToken, name);
}

}  // namespace rooms

namespace {

// Sets out_time of the user rows of `names` to now. Throws DatabaseError.
void MarkLeft(db::Connection& conn, const Clock& clock, const std::vector<std::string>& names) {
  const std::string now = convert::DateToText(clock.Now());
  for (const std::string& name : names) {
    conn.Execute("UPDATE user SET out_time=? WHERE username=?", {Value(now), Value(name)});
  }
}

}  // namespace

void lumochat::LeaveChat(Application& TheApplication, Session& TheSession) {
  bool left = false;
  {
    state::ChatState& chat = TheApplication.Chat(ConstStr);
    state::MutexLock lock(chat.mutex());
    // Only a valid visitor is logged out: a stale session must not end a newer login.
    if (TakeVisitor(messages::FindVisitor(TheSession, chat)) > 0) {
      left = rooms::LogOutLocked(*this, TheApplication, chat, MyName).has_value();
    }
  }
  TheSession.Set(messages::kSessionName, Value(""));
  TheSession.Set(messages::kSessionToken, Value(""));
  if (left) MarkLeft(OpenConn(TheApplication), clock_, {MyName});
}

lumochat::Departures lumochat::SweepIdle(Application& TheApplication) {
  Departures gone;
  std::vector<std::string> names;
  {
    state::ChatState& chat = TheApplication.Chat(ConstStr);
    state::MutexLock lock(chat.mutex());
    chat.TakeInSeen();
    const Date now = clock_.Now();
    for (const std::string& name : chat.Keys(state::List::kUsers)) {
      if (!IsIdle(chat, name, now)) continue;
      if (std::optional<std::string> token =
              rooms::LogOutLocked(*this, TheApplication, chat, name)) {
        gone.emplace(name, std::move(*token));
        names.push_back(name);
      }
    }
  }
  if (!names.empty()) MarkLeft(OpenConn(TheApplication), clock_, names);
  return gone;
}

void lumochat::ForgetDeparted(Session& session, const Departures& gone) {
  auto departed = gone.find(messages::SessionName(session));
  if (departed == gone.end() ||
      departed->second != convert::ToText(session.Get(messages::kSessionToken))) {
    return;
  }
  session.Set(messages::kSessionName, Value(""));
  session.Set(messages::kSessionToken, Value(""));
}

}  // namespace ravochat
