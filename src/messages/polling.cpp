// Polling: the visitor check getLevel, the polling page refresh and the row selector
// GetNewSays. refresh runs every 6 seconds for every visitor: under the chat's mutex it finds
// his record by key and changes two of its fields; it walks only the rows newer than his
// last one, after the mutex is released.
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
#include "moderation/flood_control.h"
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
  MyName = messages::SessionName(TheSession);
  if (MyName.empty()) return 0;
  std::optional<keyed_list::Record> mine = keyed_list::TakeListedRecord(User_List, MyName);
  if (!mine) return 0;
  ListParts = {std::move(mine->parts.before), std::move(mine->parts.body),
               std::move(mine->parts.after)};
  int level = TakeVisitor(messages::CheckRecord(TheSession, MyName, std::move(mine->fields)));
  if (!keyed_list::Contains(room_list, convert::ToText(room_id))) level = 0;
  return level;
}

int lumochat::TakeVisitor(messages::ListedVisitor visitor) {
  MyName = std::move(visitor.name);
  if (!visitor.record.empty()) {
    MyRec = std::move(visitor.record);
    room_id = visitor.room;
  }
  return visitor.level;
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
  state::ChatState& chat = TheApplication.Chat(ConstStr);
  Value says;
  int current = 0;
  int sayid = 0;
  std::string newest;
  std::size_t online = 0;
  {
    // One read-change-store sequence on the visitor's record; the page is built after it.
    state::MutexLock lock(chat.mutex());
    if (TakeVisitor(messages::FindVisitor(TheSession, chat)) == 0) {
      // A visitor sent out of the chat finds his window closed rather than an error.
      if (moderation::TakeSentAway(chat, TheSession)) return page.append(messages::kCloseRedirect);
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
    sayid = SayIdOf(TheRequest, MyRec, MyName);
    says = TheApplication.Get(Key(app_key::kSays));
    current = messages::CurrentRow(TheApplication.Get(Key(app_key::kCurrent)));
    newest = convert::ToText(messages::NumberAt(says, current));
    online = chat.Count(state::List::kUsers);
    messages::MarkSent(chat, MyName, now, newest);
  }
  // The ring is an immutable array: the rows read above stay as they were.
  std::string rows = GetNewSays(says, current, sayid);
  page.append(messages::kPollHead);
  if (rows != "''") page.append("parent.addsay(").append(rows).append(");");
  page.append("parent.ref(").append(newest).append(");parent.allusernum=");
  page.append(std::to_string(online)).append(";</script>");
  return page;
}

}  // namespace ravochat
