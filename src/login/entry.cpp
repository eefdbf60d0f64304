// Entry into the chat: the admitted visitor's record goes to the end of the user list
// (replacing a record he still had, whose room he keeps), his name into the room's
// occupant list, his name and a token of this login alone into the session, and his
// announcement and private notice into the says ring. All of it is one sequence under the chat's
// mutex, so a concurrent login, post or room change never loses its own change or his.

#include "login/entry.h"

#include "core/app_keys.h"
#include "core/convert.h"
#include "core/keyed_list.h"
#include "core/records.h"
#include "core/strings.h"
#include "login/login_steps.h"
#include "login/login_texts.h"
#include "login/visitor.h"
#include "messages/ring_lines.h"
#include "messages/says_ring.h"
#include "messages/visitor.h"
#include "ravochat/lumochat.h"
#include "ravochat/random_token.h"
#include "rooms/announcement.h"

namespace ravochat {
namespace {

// Hexadecimal digits of the token's random tail: 64 bits.
constexpr std::size_t kTokenTailLength = 16;

}  // namespace

namespace login {

std::vector<std::string> LoginRecord(const OnlineRecord& record) {
  std::vector<std::string> fields(user_field::kCount + 1);
  fields[user_field::kToken] = record.token;
  fields[user_field::kAddress] = record.address;
  fields[user_field::kSex] = convert::ToText(record.sex);
  fields[user_field::kLevel] = record.level;
  fields[user_field::kRoom] = convert::ToText(record.room);
  fields[user_field::kLastSeen] = record.now;
  fields[user_field::kFace] = convert::ToText(record.face);
  fields[user_field::kZero] = "0";
  fields[user_field::kEffectiveLevel] = record.effective_level;
  fields[user_field::kLastSayId] = convert::ToText(record.last_say_id);
  fields[user_field::kLastSaid] = record.now;
  fields[user_field::kLoginTime] = record.now;
  return fields;
}

namespace {

// Posts the entry announcement and the login notice; returns the number of the newest message
// before them.
std::int64_t AnnounceEntry(lumochat& component, Application& app, state::ChatState& chat,
                           const Visitor& visitor, const std::string& room_name, bool reentering)
    REQUIRES(chat.mutex()) {
  const rooms::Announcement announcement = rooms::SplitAnnouncement(app_key::SettingText(
      app, component.ConstStr, reentering ? app_key::kReenterShow : app_key::kEnterChatShow));
  std::vector<messages::RingLine> lines{
      {.who = visitor.name,
       .to_who = room_name,
       .room = component.room_id,
       .text = AnnouncementText(announcement.text, visitor.sex, visitor.name, visitor.face),
       .color1 = announcement.color1,
       .color2 = announcement.color2,
       .act = messages::kNoticeAct}};
  if (!visitor.notice.empty()) {
    lines.push_back({.who = visitor.name,
                     .to_who = "",
                     .secret = 1,
                     .room = component.room_id,
                     .text = visitor.notice,
                     .act = messages::kSystemAct});
  }
  const messages::Ring ring = messages::AppendLines(component, app, chat, lines);
  // The number of the newest line before these: lines are numbered one after another.
  return convert::ToInt32(messages::NumberAt(ring.says, messages::CurrentRow(ring.current))) -
         static_cast<std::int64_t>(lines.size());
}

}  // namespace

}  // namespace login

void login::EnterChat(lumochat& component, Application& TheApplication, Session& TheSession,
                      const Clock& clock, const login::Visitor& visitor) {
  std::int32_t& room_id = component.room_id;
  state::ChatState& chat = TheApplication.Chat(component.ConstStr);
  state::MutexLock lock(chat.mutex());
  const std::string& name = visitor.name;
  const std::string now = convert::DateToText(clock.Now());
  const std::optional<std::string> old_room =
      chat.Contains(state::List::kUsers, name)
          ? std::optional(chat.Field(state::List::kUsers, name, user_field::kRoom))
          : std::nullopt;
  // A user still listed stays in his room, unless that room is gone meanwhile.
  if (old_room && chat.Contains(state::List::kRooms, *old_room)) {
    room_id = convert::ToInt32(Value(*old_room));
  }
  const std::string room = convert::ToText(room_id);
  const std::string room_name = chat.Field(state::List::kRooms, room, room_field::kName);
  chat.Field(state::List::kRooms, room, room_field::kTime);  // fails before anything is stored
  // The time of day heads the token as it always did; the random tail makes it this login's
  // alone, so that a second login of the name ends the first window within the same second too.
  const std::string token =
      component.GetTimeStr() + "-" + RandomToken().substr(0, kTokenTailLength);
  TheSession.Set(messages::kSessionName, name);
  TheSession.Set(messages::kSessionToken, token);

  chat.AddOccupant(room, name);
  chat.SetField(state::List::kRooms, room, room_field::kTime, now);
  const std::int64_t newest = login::AnnounceEntry(component, TheApplication, chat, visitor,
                                                   room_name, old_room.has_value());

  const login::OnlineRecord record{
      .token = token,
      .address = visitor.address,
      .sex = visitor.sex,
      .level = convert::ToText(visitor.level),
      .room = room_id,
      .now = now,
      .face = visitor.face,
      .effective_level = convert::ToText(visitor.effective_level),
      .last_say_id = newest - 10,
  };
  // The record goes to the end of the list, replacing the one he still had.
  chat.Append(state::List::kUsers, name, login::LoginRecord(record));
}

}  // namespace ravochat
