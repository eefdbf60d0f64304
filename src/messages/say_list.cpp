// InitSayList: the page that first fills the chat frame's message panes and people list.
// On the way it drops from the room's occupant list every name no longer online.
#include <string>
#include <utility>
#include <vector>

#include "core/app_keys.h"
#include "core/convert.h"
#include "core/keyed_list.h"
#include "core/records.h"
#include "core/strings.h"
#include "messages/pages.h"
#include "messages/says_ring.h"
#include "messages/visitor.h"
#include "ravochat/lumochat.h"

namespace ravochat {
namespace {

// "'name sex face text'" for an occupant whose record is `record`.
std::string PersonEntry(const std::vector<std::string>& record, const std::string& name) {
  return "'" + name + " " + keyed_list::FieldAt(record, user_field::kSex, name) + " " +
         keyed_list::FieldAt(record, user_field::kFace, name) + " " +
         keyed_list::FieldAt(record, user_field::kListText, name) + "'";
}

// Builds the people list of the occupants of room `key` who are online and drops the others
// from its occupant field, which is stored back only when a name was dropped.
std::string PruneOccupants(state::ChatState& chat, const std::string& key) REQUIRES(chat.mutex()) {
  std::string occupants = strings::Replace(
      strings::Trim(chat.Field(state::List::kRooms, key, room_field::kOccupants)), "  ", " ");
  bool changed = false;
  std::string people;
  for (const std::string& name : strings::Split(occupants, " ")) {
    if (auto record = chat.Find(state::List::kUsers, name)) {
      if (!people.empty()) people += ',';
      people += PersonEntry(*record, name);
    } else if (!strings::Trim(name).empty()) {
      occupants = keyed_list::RemoveWord(occupants, name);
      changed = true;
    }
  }
  if (changed) {
    chat.SetField(state::List::kRooms, key, room_field::kOccupants, std::move(occupants));
  }
  return people;
}

// The page: the count online, the room's values, the new rows, the newest number and the
// people list.
std::string SayListPage(const std::vector<std::string>& fields, const std::string& key,
                        std::size_t online, const std::string& rows, const std::string& newest,
                        const std::string& people) {
  const auto field = [&](std::size_t index) -> const std::string& {
    return keyed_list::FieldAt(fields, index, key);
  };
  std::string page(messages::kPageHead);
  page.append(messages::kPollHead).append("parent.allusernum=").append(std::to_string(online));
  page.append(";parent.roomname='").append(field(room_field::kName));
  page.append("';parent.roomauto='").append(field(room_field::kRobot)).append("'; ");
  page.append("parent.roomtt=").append(field(room_field::kTt));
  page.append(";  parent.room_owner='").append(field(room_field::kOwner));
  page.append("';  parent.room_des='").append(field(room_field::kDescription)).append("'; ");
  page.append("parent.roomhtml=").append(field(room_field::kHtml));
  page.append(";  parent.roomguests='").append(field(room_field::kGuests));
  page.append("';  parent.roomlife=").append(field(room_field::kExp)).append(";");
  page.append("parent.chftitle('").append(field(room_field::kTitle));
  page.append("');parent.chttitle('").append(field(room_field::kTop));
  page.append("');  parent.clearsay();parent.clearper();parent.addsay(").append(rows);
  page.append("); parent.ref(").append(newest);
  page.append(");parent.userlist=new Array(").append(people);
  page.append(");parent.userlist.sort();parent.showlist();</script>");
  return page;
}

}  // namespace

std::string lumochat::InitSayList(Application& TheApplication, Session& TheSession) {
  state::ChatState& chat = TheApplication.Chat(ConstStr);
  std::vector<std::string> room;
  std::string room_key, people, newest;
  std::size_t online = 0;
  Value says;
  int current = 0;
  int last = 0;
  {
    state::MutexLock lock(chat.mutex());
    if (TakeVisitor(messages::FindVisitor(TheSession, chat)) == 0) {
      return std::string(messages::kNotLoggedInScript);
    }
    last = convert::ToInt32(Value(keyed_list::FieldAt(MyRec, user_field::kLastSayId, MyName)));
    room_key = convert::ToText(room_id);
    room = chat.Find(state::List::kRooms, room_key).value();
    // A record too short fails before anything is stored.
    keyed_list::FieldAt(room, room_field::kGuests, room_key);

    says = TheApplication.Get(Key(app_key::kSays));
    current = messages::CurrentRow(TheApplication.Get(Key(app_key::kCurrent)));
    newest = convert::ToText(messages::NumberAt(says, current));
    messages::MarkSent(chat, MyName, clock_.Now(), newest);
    online = chat.Count(state::List::kUsers);
    people = PruneOccupants(chat, room_key);
  }
  return SayListPage(room, room_key, online, GetNewSays(says, current, last), newest, people);
}

}  // namespace ravochat
