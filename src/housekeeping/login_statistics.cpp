// The login is the chat's clock: every counted login raises the visitor counter and the
// hourly histogram, the first login of an hour saves both to the sysparam table, and the
// first login of the 14:00 hour runs the daily clean-up.

#include "housekeeping/login_statistics.h"

#include <optional>
#include <vector>

#include "core/app_keys.h"
#include "core/classic_random.h"
#include "core/convert.h"
#include "core/strings.h"
#include "housekeeping/routine_inputs.h"
#include "ravochat/lumochat.h"
#include "state/chat_state.h"

namespace ravochat {
namespace housekeeping {
namespace {

constexpr int kLastHour = 24;

// The items of a well-formed histogram and the hour of its latest login.
struct Histogram {
  std::vector<std::string> items;
  int last = -1;  // -1: no login counted yet
};

std::optional<Histogram> ReadHistogram(std::string_view hour24) {
  std::vector<std::string> items = strings::Split(hour24, ",");
  if (items.size() != kHourItems) return std::nullopt;
  for (const std::string& item : items) {
    if (!convert::IsNumericText(item)) return std::nullopt;
  }
  const double last = convert::RoundHalfEven(convert::ToDouble(Value(items[kLastHour])));
  if (last < 0 || last > 23) return std::nullopt;
  return Histogram{std::move(items), static_cast<int>(last)};
}

Histogram EmptyHistogram() { return Histogram{std::vector<std::string>(kHourItems, "0"), -1}; }

// Sets the hours strictly between the latest login and `hour` to 0, across midnight too.
void ClearHoursWithoutLogins(Histogram& histogram, int hour) {
  for (int h = (histogram.last + 1) % 24; h != hour; h = (h + 1) % 24) {
    histogram.items[h] = "0";
  }
}

}  // namespace

HourCount CountHour(std::string_view hour24, int hour) {
  Histogram histogram = ReadHistogram(hour24).value_or(EmptyHistogram());
  if (hour == histogram.last) {
    histogram.items[hour] =
        convert::ToText(Value(convert::ToDouble(Value(histogram.items[hour])) + 1));
    return HourCount{strings::Join(histogram.items, ","), false};
  }
  ClearHoursWithoutLogins(histogram, hour);
  histogram.items[kLastHour] = convert::ToText(hour);
  histogram.items[hour] = "1";
  return HourCount{strings::Join(histogram.items, ","), true};
}

std::string HourClaim(int hour, Date at) {
  return std::to_string(hour) + "|" + std::to_string(at.seconds);
}

std::optional<std::pair<int, Date>> ReadHourClaim(std::string_view claim) {
  const std::vector<std::string> parts = strings::Split(claim, "|");
  if (parts.size() != 2 || !convert::IsNumericText(parts[0]) || !convert::IsNumericText(parts[1])) {
    return std::nullopt;
  }
  return std::pair{std::stoi(parts[0]), Date{std::stoll(parts[1])}};
}

}  // namespace housekeeping

void lumochat::CountLogin(Application& TheApplication) {
  const convert::CivilTime now = convert::ToCivil(clock_.Now());
  housekeeping::HourCount count;
  std::string claim;
  {
    state::ChatState& chat = TheApplication.Chat(ConstStr);
    state::MutexLock lock(chat.mutex());
    const Value visitor = convert::ToDouble(TheApplication.Get(Key(app_key::kVisitor))) + 1;
    TheApplication.Set(Key(app_key::kVisitor), visitor);
    count = housekeeping::CountHour(
        app_key::SettingText(TheApplication, ConstStr, app_key::kHour24), now.hour);
    TheApplication.Set(Key(app_key::kHour24), count.hour24);
    if (count.new_hour) {
      claim = housekeeping::HourClaim(now.hour, clock_.Now());
      TheApplication.Set(Key(app_key::kHourWork), Value(claim));
    }
  }
  // The colours of a new user are drawn from this seeding.
  SeedFromClock(*rng_, clock_);
  // The login that claimed the new hour under the lock is the only one that gets here,
  // so the clean-up and the saving run once per hour without holding up the chat.
  if (count.new_hour) HourlyWork(TheApplication, now.hour, claim);
}

void lumochat::HourlyWork(Application& TheApplication, int hour, const std::string& claim) {
  if (hour == housekeeping::kCleanUpHour) DailyCleanUp(TheApplication);
  Conn->Execute("update sysparam set body=? where alias='hour24'",
                {app_key::SettingText(TheApplication, ConstStr, app_key::kHour24)});
  Conn->Execute("update sysparam set body=? where alias='visitor'",
                {app_key::SettingText(TheApplication, ConstStr, app_key::kVisitor)});
  state::ChatState& chat = TheApplication.Chat(ConstStr);
  state::MutexLock lock(chat.mutex());
  if (app_key::SettingText(TheApplication, ConstStr, app_key::kHourWork) == claim) {
    TheApplication.Set(Key(app_key::kHourWork), Value(""));
  }
}

bool lumochat::FinishHourlyWork(Application& TheApplication) {
  int hour = 0;
  std::string claim;
  {
    state::ChatState& chat = TheApplication.Chat(ConstStr);
    state::MutexLock lock(chat.mutex());
    const std::string pending = app_key::SettingText(TheApplication, ConstStr, app_key::kHourWork);
    const auto claimed = housekeeping::ReadHourClaim(pending);
    if (!claimed || clock_.Now().seconds - claimed->second.seconds <= 10 * 60) return false;
    hour = claimed->first;
    claim = housekeeping::HourClaim(hour, clock_.Now());
    TheApplication.Set(Key(app_key::kHourWork), Value(claim));
  }
  OpenConn(TheApplication);
  HourlyWork(TheApplication, hour, claim);
  return true;
}

void lumochat::DailyCleanUp(Application& TheApplication) {
  const auto setting = [&](std::string_view name) { return TheApplication.Get(Key(name)); };
  // An empty or broken period fails instead of reading as 0 and deleting every row.
  const auto days = [&](std::string_view name) {
    return housekeeping::NumericLimit(setting(name), name);
  };
  const auto switched_on = [&](std::string_view name) {
    return convert::ToText(setting(name)) == "1";
  };
  const std::string now = convert::DateToText(clock_.Now());
  // Calls age by the friend-request period and friend requests by the call period:
  // existing configurations were tuned to it.
  Conn->Execute("DELETE FROM calls WHERE datediff('d',calltime,?)>?",
                {now, days(app_key::kFriendTimeout)});
  Conn->Execute("DELETE FROM friendrq WHERE datediff('d',sub_time,?)>?",
                {now, days(app_key::kCallTimeout)});
  if (switched_on(app_key::kAutoClearManageLog)) {
    Conn->Execute("DELETE FROM record WHERE datediff('d',occ_time,now())>?",
                  {days(app_key::kManageLogTimeout)});
  }
  if (switched_on(app_key::kAutoClearGb)) {
    Conn->Execute("DELETE FROM guestbook WHERE datediff('d',post_time,now())>?",
                  {days(app_key::kGbTimeout)});
  }
  if (switched_on(app_key::kAutoClearUserName)) {
    UserExpire(1, setting(app_key::kUserNameOnceTimeout), setting(app_key::kUserNameTimeout));
  }
  if (switched_on(app_key::kRoomAutoClear)) {
    state::ChatState& chat = TheApplication.Chat(ConstStr);
    state::MutexLock lock(chat.mutex());
    std::string rooms = chat.Text(state::List::kRooms);
    RoomKeep(1, setting(app_key::kRoomKeepExp), rooms);
    RoomExpire(1, setting(app_key::kRoomTimeout), setting(app_key::kRoomExpPerDay), rooms);
    chat.SetText(state::List::kRooms, rooms);
  }
}

}  // namespace ravochat
