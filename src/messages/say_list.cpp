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

// "'name sex face text'" for an occupant who is online.
std::string PersonEntry(const std::string& user_list, const std::string& name) {
  const std::vector<std::string> record = keyed_list::RecordFields(user_list, name);
  return "'" + name + " " + keyed_list::FieldAt(record, user_field::kSex, name) + " " +
         keyed_list::FieldAt(record, user_field::kFace, name) + " " +
         keyed_list::FieldAt(record, user_field::kListText, name) + "'";
}

// Builds the people list of the room's occupants who are online and drops the others from
// the occupant field. Returns true when the field changed.
bool PruneOccupants(keyed_list::Record& room, const std::string& user_list, std::string& people) {
  std::string& occupants = room.MutableField(room_field::kOccupants);
  occupants = strings::Replace(strings::Trim(occupants), "  ", " ");
  bool changed = false;
  for (const std::string& name : strings::Split(occupants, " ")) {
    if (keyed_list::Contains(user_list, name)) {
      if (!people.empty()) people += ',';
      people += PersonEntry(user_list, name);
    } else if (!strings::Trim(name).empty()) {
      occupants = keyed_list::RemoveWord(occupants, name);
      changed = true;
    }
  }
  return changed;
}

// The page: the count online, the room's values, the new rows, the newest number and the
// people list.
std::string SayListPage(const keyed_list::Record& room, std::size_t online, const std::string& rows,
                        const std::string& newest, const std::string& people) {
  std::string page(messages::kPageHead);
  page.append(messages::kPollHead).append("parent.allusernum=").append(std::to_string(online));
  page.append(";parent.roomname='").append(room.Field(room_field::kName));
  page.append("';parent.roomauto='").append(room.Field(room_field::kRobot)).append("'; ");
  page.append("parent.roomtt=").append(room.Field(room_field::kTt));
  page.append(";  parent.room_owner='").append(room.Field(room_field::kOwner));
  page.append("';  parent.room_des='").append(room.Field(room_field::kDescription)).append("'; ");
  page.append("parent.roomhtml=").append(room.Field(room_field::kHtml));
  page.append(";  parent.roomguests='").append(room.Field(room_field::kGuests));
  page.append("';  parent.roomlife=").append(room.Field(room_field::kExp)).append(";");
  page.append("parent.chftitle('").append(room.Field(room_field::kTitle));
  page.append("');parent.chttitle('").append(room.Field(room_field::kTop));
  page.append("');  parent.clearsay();parent.clearper();parent.addsay(").append(rows);
  page.append("); parent.ref(").append(newest);
  page.append(");parent.userlist=new Array(").append(people);
  page.append(");parent.userlist.sort();parent.showlist();</script>");
  return page;
}

}  // namespace

std::string lumochat::InitSayList(Application& TheApplication, Session& TheSession) {
  auto lock = TheApplication.Lock();
  std::string room_list = convert::ToText(TheApplication.Get(Key(app_key::kRoomList)));
  if (getLevel(TheSession, convert::ToText(TheApplication.Get(Key(app_key::kUserList))),
               room_list) == 0) {
    return std::string(messages::kNotLoggedInScript);
  }
  int last = convert::ToInt32(Value(keyed_list::FieldAt(MyRec, user_field::kLastSayId, MyName)));
  keyed_list::Record room = keyed_list::TakeRecord(room_list, convert::ToText(room_id));
  room.Field(room_field::kGuests);  // a record too short fails before anything is stored

  Value says = TheApplication.Get(Key(app_key::kSays));
  int current = messages::CurrentRow(TheApplication.Get(Key(app_key::kCurrent)));
  std::string rows = GetNewSays(says, current, last);
  std::string newest = convert::ToText(messages::NumberAt(says, current));

  messages::MarkSent(MyRec, clock_.Now(), newest, MyName);
  std::string user_list = keyed_list::JoinRecord(ListParts.at(0), MyRec, ListParts.at(2), MyName);
  TheApplication.Set(Key(app_key::kUserList), Value(user_list));
  std::size_t online = keyed_list::CountRecords(user_list);

  std::string people;
  if (PruneOccupants(room, user_list, people)) {
    TheApplication.Set(Key(app_key::kRoomList), Value(room.ListText()));
  }

  return SayListPage(room, online, rows, newest, people);
}

}  // namespace ravochat
