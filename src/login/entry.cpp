// Entry into the chat: the admitted visitor's record goes to the end of the user list
// (replacing a record he still had, whose room he keeps), his name into the room's
// occupant list, his name and token into the session, and his announcement and private
// notice into the says ring. All of it is one sequence under the application lock, so a
// concurrent login, post or room change never loses its own change or his.

#include "login/entry.h"

#include "core/app_keys.h"
#include "core/convert.h"
#include "core/keyed_list.h"
#include "core/records.h"
#include "core/strings.h"
#include "login/login_texts.h"
#include "login/visitor.h"
#include "messages/visitor.h"
#include "ravochat/lumochat.h"

namespace ravochat {
namespace login {

std::string LoginRecord(std::string_view name, const OnlineRecord& record) {
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
  return keyed_list::JoinRecord({"", keyed_list::JoinFields(fields), ""}, name);
}

}  // namespace login

namespace {

// The user list without the record of `name`, and the room that record was in.
struct Reentry {
  bool listed = false;
  std::string rest;
  std::string room;
};

// The list is copied once: it is long with many visitors online.
Reentry TakeOutRecord(const std::string& user_list, const std::string& name) {
  std::optional<keyed_list::Record> record = keyed_list::TakeListedRecord(user_list, name);
  if (!record) return Reentry{false, user_list, ""};
  std::string room = record->Field(user_field::kRoom);
  return Reentry{true, std::move(record->parts.before.append(record->parts.after)),
                 std::move(room)};
}

// Lists `name` in the room's occupants and marks the room as just visited; returns the
// changed room list and the room's name.
std::string EnterRoom(const std::string& room_list, std::int32_t room, const std::string& name,
                      const std::string& now, std::string& room_name) {
  keyed_list::Record record = keyed_list::TakeRecord(room_list, convert::ToText(room));
  room_name = record.Field(room_field::kName);
  std::string& occupants = record.MutableField(room_field::kOccupants);
  occupants = keyed_list::AddWord(occupants, name);
  record.fields[room_field::kTime] = now;
  return record.ListText();
}

}  // namespace

void lumochat::EnterChat(Application& TheApplication, Session& TheSession,
                         const login::Visitor& visitor) {
  auto lock = TheApplication.Lock();
  const std::string& name = visitor.name;
  const std::string now = convert::DateToText(clock_.Now());
  std::string room_list = convert::ToText(TheApplication.Get(Key(app_key::kRoomList)));
  Reentry reentry;
  {
    const Value user_list = TheApplication.Get(Key(app_key::kUserList));
    std::string scratch;
    reentry = TakeOutRecord(messages::TextOf(user_list, scratch), name);
  }
  // A user still listed stays in his room, unless that room is gone meanwhile.
  if (reentry.listed && keyed_list::Contains(room_list, reentry.room)) {
    room_id = convert::ToInt32(Value(reentry.room));
  }
  const std::string token = GetTimeStr();
  TheSession.Set("myname", name);
  TheSession.Set("mytemp", token);

  std::string room_name;
  room_list = EnterRoom(room_list, room_id, name, now, room_name);
  TheApplication.Set(Key(app_key::kRoomList), room_list);
  const std::int64_t newest = AnnounceEntry(TheApplication, visitor, room_name, reentry.listed);

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
  reentry.rest.append(login::LoginRecord(name, record));
  TheApplication.Set(Key(app_key::kUserList), Value(std::move(reentry.rest)));
}

std::int64_t lumochat::AnnounceEntry(Application& TheApplication, const login::Visitor& visitor,
                                     const std::string& room_name, bool reentering) {
  Value says = TheApplication.Get(Key(app_key::kSays));
  Value current = TheApplication.Get(Key(app_key::kCurrent));
  const std::int64_t newest = convert::ToInt32(
      says.At(static_cast<std::size_t>(convert::ToInt32(current)), ring_field::kNumber));
  const login::Announcement announcement = login::SplitTemplate(convert::ToText(
      TheApplication.Get(Key(reentering ? app_key::kReenterShow : app_key::kEnterChatShow))));
  Newsay(visitor.name, room_name, 0, room_id,
         login::AnnouncementText(announcement.text, visitor.sex, visitor.name, visitor.face),
         announcement.c1, announcement.c2, -3, says, current);
  if (!visitor.notice.empty()) {
    Newsay(visitor.name, "", 1, room_id, visitor.notice, "", "", -5, says, current);
  }
  TheApplication.Set(Key(app_key::kSays), says);
  TheApplication.Set(Key(app_key::kCurrent), current);
  return newest;
}

}  // namespace ravochat
