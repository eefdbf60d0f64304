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
#include "ravochat/lumochat.h"

namespace ravochat {
namespace {

// Minutes from the date text `since` to `now`, counted in minute boundaries.
std::int64_t MinutesSince(const std::string& since, Date now) {
  return convert::DateDiff(convert::Interval::kMinute, convert::ToDate(Value(since)), now);
}

// The message number the poll starts after: the request's "sayid", or the record's own.
int SayIdOf(const Value& item, const std::vector<std::string>& record, std::string_view name) {
  const std::string* text = item.AsText();
  if (item.IsEmpty() || (text != nullptr && text->empty())) {
    return convert::ToInt32(Value(keyed_list::FieldAt(record, user_field::kLastSayId, name)));
  }
  return convert::ToInt32(item);
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

PollResult lumochat::Poll(Application& TheApplication, Session& TheSession,
                          const Value& sayid_item) {
  PollResult result;
  state::ChatState& chat = TheApplication.Chat(ConstStr);
  Value says;
  int current = 0;
  int sayid = 0;
  {
    // One read-change-store sequence on the visitor's record; the rows are read after it.
    state::MutexLock lock(chat.mutex());
    if (TakeVisitor(messages::FindVisitor(TheSession, chat)) == 0) {
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
    sayid = SayIdOf(sayid_item, MyRec, MyName);
    says = TheApplication.Get(Key(app_key::kSays));
    current = messages::CurrentRow(TheApplication.Get(Key(app_key::kCurrent)));
    result.newest = convert::ToText(messages::NumberAt(says, current));
    result.online = chat.Count(state::List::kUsers);
    messages::MarkSent(chat, MyName, now, result.newest);
  }
  // The ring is an immutable array: the rows read above stay as they were.
  result.outcome = PollResult::Outcome::kRows;
  result.rows = GetNewSays(says, current, sayid);
  return result;
}

std::string lumochat::refresh(Application& TheApplication, Session& TheSession,
                              Request& TheRequest) {
  const PollResult result = Poll(TheApplication, TheSession, TheRequest.Item("sayid"));
  std::string page(messages::kPageHead);
  page.append(result.outcome == PollResult::Outcome::kRows ? messages::kPollHead
                                                           : messages::kScriptOpen);
  return page.append(PollScript(result)).append("</script>");
}

}  // namespace ravochat
