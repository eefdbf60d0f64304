// Polling: the visitor check getLevel, the polling page refresh and the row selector
// GetNewSays. refresh runs every 6 seconds for every visitor: under the application lock it
// copies the user list a fixed number of times, counts records by scanning, and walks only
// the rows newer than the visitor's last one.
#include <optional>
#include <string>
#include <utility>

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

// Minutes from the date text `since` to `now`, counted in minute boundaries.
std::int64_t MinutesSince(const std::string& since, Date now) {
  return convert::DateDiff(convert::Interval::kMinute, convert::ToDate(Value(since)), now);
}

// The message number the poll starts after: the request's "sayid", or the record's own.
int SayIdOf(const Request& request, const std::vector<std::string>& record, std::string_view name) {
  Value item = request.Item("sayid");
  const std::string* text = item.AsText();
  if (item.IsEmpty() || (text != nullptr && text->empty())) {
    return convert::ToInt32(Value(keyed_list::FieldAt(record, user_field::kLastSayId, name)));
  }
  return convert::ToInt32(item);
}

}  // namespace

int lumochat::getLevel(Session& TheSession, const std::string& User_List,
                       const std::string& room_list) {
  MyName = strings::Trim(convert::ToText(TheSession.Get("myname")));
  if (MyName.empty()) return 0;
  std::optional<keyed_list::Record> mine = keyed_list::TakeListedRecord(User_List, MyName);
  if (!mine) return 0;
  MyRec = std::move(mine->fields);
  ListParts = {std::move(mine->parts.before), std::move(mine->parts.body),
               std::move(mine->parts.after)};

  int level = 0;
  if (keyed_list::FieldAt(MyRec, user_field::kToken, MyName) ==
      convert::ToText(TheSession.Get("mytemp"))) {
    level =
        convert::ToInt16(Value(keyed_list::FieldAt(MyRec, user_field::kEffectiveLevel, MyName)));
  }
  room_id = convert::ToInt32(Value(keyed_list::FieldAt(MyRec, user_field::kRoom, MyName)));
  if (!keyed_list::Contains(room_list, convert::ToText(room_id))) level = 0;
  return level;
}

std::string lumochat::GetNewSays(const Value& says, int current, int sayid) {
  std::string rows = messages::NewSays(says, current, sayid, messages::Reader{MyName, room_id});
  if (messages::LinesMissed(says, current, sayid)) {
    rows.insert(0, messages::MissedLinesRow(MyName, GetTimeStr()));
  }
  return rows;
}

std::string lumochat::refresh(Application& TheApplication, Session& TheSession,
                              Request& TheRequest) {
  std::string page(messages::kPageHead);
  // The whole poll is one read-change-store sequence on the user list.
  auto lock = TheApplication.Lock();
  Value user_list = TheApplication.Get(Key(app_key::kUserList));
  Value room_list = TheApplication.Get(Key(app_key::kRoomList));
  std::string user_scratch, room_scratch;
  const std::string& users = messages::TextOf(user_list, user_scratch);
  if (getLevel(TheSession, users, messages::TextOf(room_list, room_scratch)) == 0) {
    return page.append(messages::kNotLoggedInScript);
  }

  Date now = clock_.Now();
  std::int64_t since_said =
      MinutesSince(keyed_list::FieldAt(MyRec, user_field::kLastSaid, MyName), now);
  std::int64_t since_login =
      MinutesSince(keyed_list::FieldAt(MyRec, user_field::kLoginTime, MyName), now);
  if (since_said - convert::ToDouble(TheApplication.Get(Key(app_key::kNoSayTimeout))) > 0 ||
      since_login - convert::ToDouble(TheApplication.Get(Key(app_key::kDontSaveValue))) > 0) {
    return page.append(messages::kCloseRedirect);
  }

  int sayid = SayIdOf(TheRequest, MyRec, MyName);
  Value says = TheApplication.Get(Key(app_key::kSays));
  int current = messages::CurrentRow(TheApplication.Get(Key(app_key::kCurrent)));
  std::string rows = GetNewSays(says, current, sayid);
  std::string newest = convert::ToText(messages::NumberAt(says, current));
  // Under the lock the list read above is the list as it stands.
  std::size_t online = keyed_list::CountRecords(users);

  page.append(messages::kPollHead);
  if (rows != "''") page.append("parent.addsay(").append(rows).append(");");
  page.append("parent.ref(").append(newest).append(");parent.allusernum=");
  page.append(std::to_string(online)).append(";</script>");

  messages::MarkSent(MyRec, now, newest, MyName);
  TheApplication.Set(
      Key(app_key::kUserList),
      Value(keyed_list::JoinRecord(ListParts.at(0), MyRec, ListParts.at(2), MyName)));
  return page;
}

}  // namespace ravochat
