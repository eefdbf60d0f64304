// The operator's console: reads of the lists and tables for the administration site, and the
// changes it makes beyond the moderation actions, each logged as the operator's.
#include <algorithm>

#include "core/app_keys.h"
#include "core/convert.h"
#include "core/effective_level.h"
#include "core/records.h"
#include "core/strings.h"
#include "housekeeping/management_log.h"
#include "ravochat/administration.h"
#include "ravochat/lumochat.h"
#include "state/chat_state.h"

namespace ravochat::administration {
namespace {

// `text` matched literally by LIKE ... ESCAPE '!': its wildcards and the escape are escaped.
std::string LikeLiteral(const std::string& text) {
  std::string literal;
  for (char c : text) {
    if (c == '%' || c == '_' || c == '!') literal += '!';
    literal += c;
  }
  return literal;
}

using moderation::Outcome;

constexpr std::size_t kMaxUsersShown = 100;
constexpr std::int32_t kMaxLevel = 99;
constexpr int kHistogramHours = 24;

// The statistics rows are the login's own; the connection string is the server's.
bool IsReserved(const std::string& alias) {
  return alias == "visitor" || alias == "hour24" || alias == "connstr";
}

std::string Text(const db::Recordset& rs, std::string_view column) {
  return convert::ToText(rs.Field(column));
}

}  // namespace

Console::Console(Application& app, std::string_view prefix, const Clock& clock)
    : app_(&app), prefix_(prefix), clock_(&clock) {
  conn_ = db::Connection::Open(Setting(app_key::kConnStr), clock);
}

Console::~Console() = default;

std::string Console::Setting(std::string_view key) const {
  return app_key::SettingText(*app_, prefix_, key);
}

Outcome Console::Logged(int stype, const std::string& target, const std::string& act) {
  housekeeping::WriteEntry(*conn_, stype, clock_->Now(),
                           {"管理员", "管理员", " ", "[" + target + "]", "手动", " ", act});
  return Outcome{true, strings::Replace(act, "%%", target)};
}

std::vector<OnlineVisitor> Console::Online() {
  std::vector<OnlineVisitor> online;
  state::ChatState& chat = app_->Chat(prefix_);
  state::MutexLock lock(chat.mutex());
  chat.TakeInSeen();
  for (const std::string& name : chat.Keys(state::List::kUsers)) {
    const state::Fields f = chat.Find(state::List::kUsers, name).value_or(state::Fields{});
    if (f.size() <= user_field::kLoginTime) continue;
    const std::string& room = f[user_field::kRoom];
    const std::string room_name = chat.FieldCount(state::List::kRooms, room) > room_field::kName
                                      ? chat.Field(state::List::kRooms, room, room_field::kName)
                                      : room;
    online.push_back({name, f[user_field::kAddress], room_name, f[user_field::kEffectiveLevel],
                      f[user_field::kLoginTime], f[user_field::kLastSeen]});
  }
  return online;
}

std::vector<UserSummary> Console::FindUsers(const std::string& part) {
  db::Recordset rs = conn_->Execute(
      "SELECT username, user_level, last_ip, out_time, out_info, visit_num FROM user "
      "WHERE username LIKE ? ESCAPE '!' ORDER BY username LIMIT ?",
      {Value("%" + LikeLiteral(strings::Trim(part)) + "%"),
       Value(static_cast<std::int64_t>(kMaxUsersShown))});
  std::vector<UserSummary> users;
  for (; !rs.Eof(); rs.MoveNext()) {
    users.push_back({Text(rs, "username"), Text(rs, "user_level"), Text(rs, "last_ip"),
                     Text(rs, "out_time"),
                     static_cast<int>(convert::ToDouble(rs.Field("out_info"))),
                     static_cast<int>(convert::ToDouble(rs.Field("visit_num")))});
  }
  return users;
}

Outcome Console::SetUserLevel(const std::string& name, std::int32_t level) {
  if (level < 0 || level > kMaxLevel) return Outcome{false, "级别必须是0到99"};
  db::Recordset rs = conn_->Execute("SELECT username FROM user WHERE username=?", {Value(name)});
  if (rs.Eof()) return Outcome{false, "没有这个聊友"};
  const std::string stored = Text(rs, "username");
  conn_->Execute("UPDATE user SET user_level=? WHERE username=?", {Value(level), Value(stored)});
  const Value effective = levels::Effective(*conn_, stored, level);
  {
    state::ChatState& chat = app_->Chat(prefix_);
    state::MutexLock lock(chat.mutex());
    if (chat.FieldCount(state::List::kUsers, stored) > user_field::kEffectiveLevel) {
      chat.SetField(state::List::kUsers, stored, user_field::kLevel, std::to_string(level));
      chat.SetField(state::List::kUsers, stored, user_field::kEffectiveLevel,
                    convert::ToText(effective));
    }
  }
  return Logged(moderation::kUserLevelLog, stored, "设置%%的级别为" + std::to_string(level));
}

Outcome Console::Unfreeze(const std::string& name) {
  db::Recordset rs =
      conn_->Execute("SELECT username FROM user WHERE username=? AND out_info IN (?, ?, ?)",
                     {Value(name), Value(moderation::kOutKicked), Value(moderation::kOutFrozen),
                      Value(moderation::kOutFrozenForGood)});
  if (rs.Eof()) return Outcome{false, "这个聊友没有被踢出或冻结"};
  const std::string stored = Text(rs, "username");
  conn_->Execute("UPDATE user SET out_info=0, out_time=? WHERE username=?",
                 {Value(convert::DateToText(clock_->Now())), Value(stored)});
  return Logged(moderation::kUnfreezeLog, stored, "解冻%%");
}

Outcome Console::DeleteUser(const std::string& name) {
  db::Recordset rs = conn_->Execute("SELECT username FROM user WHERE username=?", {Value(name)});
  if (rs.Eof()) return Outcome{false, "没有这个聊友"};
  const std::string stored = Text(rs, "username");
  {
    state::ChatState& chat = app_->Chat(prefix_);
    state::MutexLock lock(chat.mutex());
    if (chat.Contains(state::List::kUsers, stored))
      return Outcome{false, "他正在聊天室里，请先踢出"};
  }
  conn_->Execute("DELETE FROM user WHERE username=?", {Value(stored)});
  conn_->Execute("DELETE FROM vrecord WHERE username=?", {Value(stored)});
  return Logged(moderation::kUserDeletedLog, stored, "删除用户%%");
}

std::vector<AddressLockRow> Console::Locks() {
  db::Recordset rs =
      conn_->Execute("SELECT ID AS id, ip, end_time, act_level FROM ip_lock ORDER BY end_time");
  std::vector<AddressLockRow> locks;
  for (; !rs.Eof(); rs.MoveNext()) {
    locks.push_back({static_cast<std::int64_t>(convert::ToDouble(rs.Field("id"))), Text(rs, "ip"),
                     Text(rs, "end_time"),
                     static_cast<std::int64_t>(convert::ToDouble(rs.Field("act_level")))});
  }
  return locks;
}

Outcome Console::RemoveLock(std::int64_t id) {
  db::Recordset rs = conn_->Execute("SELECT ip FROM ip_lock WHERE ID=?", {Value(id)});
  if (rs.Eof()) return Outcome{false, "没有这个封锁"};
  const std::string ip = Text(rs, "ip");
  conn_->Execute("DELETE FROM ip_lock WHERE ID=?", {Value(id)});
  return Logged(moderation::kUnlockLog, ip, "解除地址%%的封锁");
}

std::vector<SettingRow> Console::Settings() {
  db::Recordset rs = conn_->Execute("SELECT alias, body FROM sysparam ORDER BY alias");
  std::vector<SettingRow> rows;
  for (; !rs.Eof(); rs.MoveNext()) {
    if (!IsReserved(Text(rs, "alias"))) rows.push_back({Text(rs, "alias"), Text(rs, "body")});
  }
  return rows;
}

Outcome Console::ChangeSetting(const std::string& alias, const std::string& body) {
  if (IsReserved(alias)) return Outcome{false, "这个参数不能在这里修改"};
  db::Recordset rs = conn_->Execute("SELECT body FROM sysparam WHERE alias=?", {Value(alias)});
  if (rs.Eof()) return Outcome{false, "没有这个参数"};
  if (Text(rs, "body") == body) return Outcome{false, "参数没有改变"};
  // The chat converts a numeric setting wherever it reads it: text there would fail every poll.
  if (convert::IsNumericText(Text(rs, "body")) && !convert::IsNumericText(body)) {
    return Outcome{false, "这个参数必须是数字"};
  }
  conn_->Execute("UPDATE sysparam SET body=? WHERE alias=?", {Value(body), Value(alias)});
  return Logged(moderation::kSettingLog, alias, "把参数%%改为" + body);
}

void Console::Reload() {
  const std::string connstr = Setting(app_key::kConnStr);
  const Value visitors = app_->Get(app_key::AppKey(prefix_, app_key::kVisitor));
  const Value hours = app_->Get(app_key::AppKey(prefix_, app_key::kHour24));
  lumochat chat(*clock_);
  chat.ConstStr = prefix_;
  // preglobal_1 leaves the lists and the ring alone; the counters count on from where they are.
  chat.preglobal_1(*app_);
  app_->Set(app_key::AppKey(prefix_, app_key::kConnStr), Value(connstr));
  app_->Set(app_key::AppKey(prefix_, app_key::kVisitor), visitors);
  app_->Set(app_key::AppKey(prefix_, app_key::kHour24), hours);
}

std::vector<LogRow> Console::Log(std::size_t limit) {
  db::Recordset rs = conn_->Execute(
      "SELECT stype, occ_time, occ_env FROM record ORDER BY occ_time DESC, ID DESC LIMIT ?",
      {Value(static_cast<std::int64_t>(limit))});
  std::vector<LogRow> rows;
  for (; !rs.Eof(); rs.MoveNext()) {
    rows.push_back({static_cast<std::int64_t>(convert::ToDouble(rs.Field("stype"))),
                    Text(rs, "occ_time"), strings::Split(Text(rs, "occ_env"), ">")});
  }
  return rows;
}

Statistics Console::Stats() {
  Statistics stats;
  {
    state::ChatState& chat = app_->Chat(prefix_);
    state::MutexLock lock(chat.mutex());
    stats.online = chat.Count(state::List::kUsers);
    for (const std::string& room : chat.Keys(state::List::kRooms)) {
      stats.rooms.emplace_back(chat.Field(state::List::kRooms, room, room_field::kName),
                               chat.OccupantCount(room));
    }
  }
  stats.visitors = Setting(app_key::kVisitor);
  // "c0,...,c23,last": counts per clock hour and the hour of the latest login; the hours
  // after it up to now had no login yet.
  const std::vector<std::string> items = strings::Split(Setting(app_key::kHour24), ",");
  const int now_hour = convert::ToCivil(clock_->Now()).hour;
  const bool valid = items.size() == kHistogramHours + 1 &&
                     std::all_of(items.begin(), items.end(), convert::IsNumericText);
  const int last = valid ? static_cast<int>(convert::ToDouble(Value(items.back()))) : now_hour;
  for (int i = 1; i <= kHistogramHours; ++i) {
    const int hour = (now_hour + i) % kHistogramHours;
    const bool since_last = (hour - last + kHistogramHours) % kHistogramHours <=
                            (now_hour - last + kHistogramHours) % kHistogramHours;
    const bool counted = valid && (hour == last || !since_last);
    stats.hours.emplace_back(
        hour, counted ? static_cast<std::int64_t>(convert::ToDouble(Value(items[hour]))) : 0);
  }
  return stats;
}

}  // namespace ravochat::administration
