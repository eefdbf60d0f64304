// Polling: the visitor check getLevel, the polling page refresh and the row selector
// GetNewSays. refresh runs every 6 seconds for every visitor: under the chat's mutex it finds
// his record by key and changes two of its fields; it walks only the rows newer than his
// last one, after the mutex is released.
#include <algorithm>
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

// The message number the poll starts after: the request's "sayid", else the record's own or,
// when further, the one the window remembers, taken as the newest number `newest` when past
// it (a window ahead of this server's copy of a shared chat gets the rest from the next poll).
int SayIdOf(const Value& item, const std::vector<std::string>& record, std::string_view name,
            int remembered, const Value& newest) {
  const std::string* text = item.AsText();
  if (item.IsEmpty() || (text != nullptr && text->empty())) {
    const int own =
        convert::ToInt32(Value(keyed_list::FieldAt(record, user_field::kLastSayId, name)));
    return std::max(own, std::min(remembered, convert::ToInt32(newest)));
  }
  return convert::ToInt32(item);
}

// The number of the cookie "lastsayid", or 0 when the request has none or no number of at
// most nine digits.
int RememberedSayId(const Request& request) {
  const Value cookie = request.Cookie("lastsayid");
  const std::string* text = cookie.AsText();
  if (text == nullptr || text->empty() || text->size() > 9 ||
      text->find_first_not_of("0123456789") != std::string::npos) {
    return 0;
  }
  return std::stoi(*text);
}

// True when the visitor `name` of record `record` has been silent longer than
// "_nosaytimeout" minutes or logged in longer than "_dontsavevalue" minutes at `now`.
bool TimedOut(const Application& app, std::string_view prefix,
              const std::vector<std::string>& record, const std::string& name, Date now) {
  const auto setting = [&](std::string_view key) {
    return convert::ToDouble(app.Get(app_key::AppKey(prefix, key)));
  };
  std::int64_t since_said =
      MinutesSince(keyed_list::FieldAt(record, user_field::kLastSaid, name), now);
  std::int64_t since_login =
      MinutesSince(keyed_list::FieldAt(record, user_field::kLoginTime, name), now);
  return since_said - setting(app_key::kNoSayTimeout) > 0 ||
         since_login - setting(app_key::kDontSaveValue) > 0;
}

}  // namespace

std::string PollScript(const PollResult& result) {
  switch (result.outcome) {
    case PollResult::Outcome::kRows:
      break;
    case PollResult::Outcome::kNotLoggedIn:
      return std::string(messages::kNotLoggedInStatement);
    case PollResult::Outcome::kSentAway:
    case PollResult::Outcome::kTimedOut:
      return std::string(messages::kCloseStatement);
  }
  std::string script;
  if (result.rows != "''") script.append("parent.addsay(").append(result.rows).append(");");
  script.append("parent.ref(").append(result.newest).append(");parent.allusernum=");
  return script.append(std::to_string(result.online)).append(";");
}

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

PollResult lumochat::Poll(Application& TheApplication, Session& TheSession, const Value& sayid_item,
                          int remembered) {
  PollResult result;
  state::ChatState& chat = TheApplication.Chat(ConstStr);
  Value says;
  int current = 0;
  int sayid = 0;
  // The visitor's record is read and the fields only his own requests change are noted; with
  // a chat state shared by several servers, in this server's copy as it follows the others'
  // changes, without the chat's lock. The rows are read after it.
  for (const state::Access access : {state::Access::kRead, state::Access::kChange}) {
    state::MutexLock lock(chat.mutex(), access);
    if (TakeVisitor(messages::FindVisitor(TheSession, chat)) == 0) {
      // Taking a sent-away token changes the chat: again, under its lock.
      if (chat.mutex().Local()) continue;
      // A visitor sent out of the chat finds his window closed rather than an error.
      result.outcome =
          chat.restraints().TakeSentAway(convert::ToText(TheSession.Get(messages::kSessionToken)))
              ? PollResult::Outcome::kSentAway
              : PollResult::Outcome::kNotLoggedIn;
      return result;
    }
    Date now = clock_.Now();
    if (TimedOut(TheApplication, ConstStr, MyRec, MyName, now)) {
      result.outcome = PollResult::Outcome::kTimedOut;
      return result;
    }
    says = TheApplication.Get(Key(app_key::kSays));
    current = messages::CurrentRow(TheApplication.Get(Key(app_key::kCurrent)));
    const Value& newest = messages::NumberAt(says, current);
    sayid = SayIdOf(sayid_item, MyRec, MyName, remembered, newest);
    result.newest = convert::ToText(newest);
    result.online = chat.Count(state::List::kUsers);
    messages::MarkSent(chat, MyName, now, result.newest);
    break;
  }
  // The ring is an immutable array: the rows read above stay as they were.
  result.outcome = PollResult::Outcome::kRows;
  result.rows = GetNewSays(says, current, sayid);
  return result;
}

std::string lumochat::refresh(Application& TheApplication, Session& TheSession,
                              Request& TheRequest) {
  const PollResult result =
      Poll(TheApplication, TheSession, TheRequest.Item("sayid"), RememberedSayId(TheRequest));
  std::string page(messages::kPageHead);
  page.append(result.outcome == PollResult::Outcome::kRows ? messages::kPollHead
                                                           : messages::kScriptOpen);
  return page.append(PollScript(result)).append("</script>");
}

}  // namespace ravochat
