// The actions on a chatter: sending him out for some minutes, freezing his account, locking
// an address, a temporary level. A ban lives in the user row (out_info, out_time), which the
// login reads; a visitor online is taken out of the lists under the chat's mutex, after the
// row was written.
#include <algorithm>

#include "core/app_keys.h"
#include "core/convert.h"
#include "core/effective_level.h"
#include "core/keyed_list.h"
#include "core/records.h"
#include "core/strings.h"
#include "moderation/moderation_texts.h"
#include "moderation/room_line.h"
#include "ravochat/lumochat.h"
#include "ravochat/moderation.h"
#include "rooms/leaving.h"

namespace ravochat::moderation {
namespace {

constexpr std::int32_t kMaxKickMinutes = 7 * 24 * 60;
constexpr std::int32_t kMaxFreezeDays = 3650;
constexpr std::int32_t kMaxLockMinutes = 365 * 24 * 60;

Outcome Refused(std::string_view text) { return Outcome{false, std::string(text)}; }

Outcome BadMinutes(std::int32_t most) {
  return Refused(std::string(texts::kBadMinutes) + std::to_string(most));
}

bool IsAddressText(const std::string& address) {
  return address.size() >= 3 && std::all_of(address.begin(), address.end(), [](char c) {
           return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') ||
                  c == '.' || c == ':';
         });
}

std::string Later(Date now, std::int64_t seconds) {
  return convert::DateToText(Date{now.seconds + seconds});
}

}  // namespace

Outcome Moderator::Kick(const std::string& name, std::int32_t minutes, const std::string& reason) {
  std::string stored;
  if (auto refusal = Refusal(Action::kKick, name, stored)) return *refusal;
  if (minutes < 1 || minutes > kMaxKickMinutes) return BadMinutes(kMaxKickMinutes);
  const Date until{clock_->Now().seconds + std::int64_t{minutes} * 60};
  ShutOut(stored, kOutKicked, until, std::string(texts::kKickedLine));
  const std::string act = "把%%踢出聊天室" + std::to_string(minutes) + "分钟";
  Log(kKickLog, "", stored, reason, act);
  return Outcome{true, strings::Replace(act, "%%", stored)};
}

Outcome Moderator::Freeze(const std::string& name, std::int32_t days, const std::string& reason) {
  std::string stored;
  if (auto refusal = Refusal(Action::kFreeze, name, stored)) return *refusal;
  if (days < 0 || days > kMaxFreezeDays) return Refused(texts::kBadDays);
  const Date until{clock_->Now().seconds + std::int64_t{days} * 86400};
  ShutOut(stored, days == 0 ? kOutFrozenForGood : kOutFrozen, until,
          std::string(texts::kFrozenLine));
  const std::string act =
      days == 0 ? "永久冻结%%的帐号" : "冻结%%的帐号" + std::to_string(days) + "天";
  Log(kFreezeLog, "", stored, reason, act);
  return Outcome{true, strings::Replace(act, "%%", stored)};
}

void Moderator::ShutOut(const std::string& name, int out_info, Date until,
                        const std::string& line) {
  conn_->Execute("UPDATE user SET out_info=?, out_time=? WHERE username=?",
                 {Value(out_info), Value(convert::DateToText(until)), Value(name)});
  state::ChatState& chat = app_->Chat(prefix_);
  state::MutexLock lock(chat.mutex());
  std::optional<state::Fields> record = chat.Find(state::List::kUsers, name);
  if (!record) return;
  lumochat component(*clock_);
  component.ConstStr = prefix_;
  const std::string room = keyed_list::FieldAt(*record, user_field::kRoom, name);
  if (std::optional<std::string> token = rooms::LogOutLocked(component, *app_, chat, name)) {
    chat.restraints().SendAway(*token);
  }
  if (convert::IsNumericText(room)) {
    PostRoomLine(component, *app_, chat, {name, name_, convert::ToInt32(Value(room)), line});
  }
}

Outcome Moderator::LockAddress(const std::string& address, std::int32_t minutes,
                               const std::string& reason) {
  if (!May(Action::kLock)) return Refused(texts::kNotAllowed);
  const std::string ip = strings::Trim(address);
  if (!IsAddressText(ip)) return Refused(texts::kBadAddress);
  if (minutes < 1 || minutes > kMaxLockMinutes) return BadMinutes(kMaxLockMinutes);
  const Date now = clock_->Now();
  // The login reads only the first lock that matches: an expired one must not hide this one.
  conn_->Execute("DELETE FROM ip_lock WHERE ip=? OR end_time<=?",
                 {Value(ip), Value(convert::DateToText(now))});
  conn_->Execute("INSERT INTO ip_lock (ip, end_time, act_level) VALUES (?, ?, ?)",
                 {Value(ip), Value(Later(now, std::int64_t{minutes} * 60)), Value(level_)});
  const std::string act = "封锁地址%% " + std::to_string(minutes) + "分钟";
  Log(kLockLog, "", ip, reason, act);
  return Outcome{true, strings::Replace(act, "%%", ip)};
}

Outcome Moderator::GiveLevel(const std::string& name, std::int32_t level) {
  std::string stored;
  if (auto refusal = Refusal(Action::kLevel, name, stored)) return *refusal;
  if (level != 0 && (level <= levels::kTemporaryLevelFloor || level >= level_)) {
    return Refused(texts::kBadLevel);
  }
  conn_->Execute("DELETE FROM vrecord WHERE username=?", {Value(stored)});
  if (level != 0) {
    conn_->Execute("INSERT INTO vrecord (username, temp_level) VALUES (?, ?)",
                   {Value(stored), Value(level)});
  }
  {
    state::ChatState& chat = app_->Chat(prefix_);
    state::MutexLock lock(chat.mutex());
    if (chat.FieldCount(state::List::kUsers, stored) > user_field::kEffectiveLevel) {
      const Value own(chat.Field(state::List::kUsers, stored, user_field::kLevel));
      chat.SetField(state::List::kUsers, stored, user_field::kEffectiveLevel,
                    convert::ToText(levels::Effective(own, level == 0 ? Value() : Value(level))));
    }
  }
  const std::string act = level == 0 ? "取消%%的临时级别" : "给%%临时级别" + std::to_string(level);
  Log(kLevelLog, "", stored, "", act);
  return Outcome{true, strings::Replace(act, "%%", stored)};
}

}  // namespace ravochat::moderation
