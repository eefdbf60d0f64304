// Flood control over the chat's restraint memory: a window of recent lines per visitor and
// of recent logins per address, under the chat's mutex.
#include "moderation/flood_control.h"

#include "core/app_keys.h"
#include "core/convert.h"
#include "core/strings.h"
#include "housekeeping/management_log.h"
#include "messages/visitor.h"
#include "moderation/moderation_texts.h"
#include "ravochat/lumochat.h"
#include "ravochat/moderation.h"

namespace ravochat::moderation {
namespace {

constexpr std::int64_t kLoginWindowSeconds = 60;
constexpr std::int64_t kDefaultLoginFails = 10;
constexpr std::int64_t kDefaultLoginFailMinutes = 15;

// The whole number a setting holds; 0 (a limit switched off) when it holds none.
std::int64_t Limit(const Application& app, std::string_view prefix, std::string_view key) {
  const std::string text = app_key::SettingText(app, prefix, key);
  if (!convert::IsNumericText(text)) return 0;
  return static_cast<std::int64_t>(convert::ToDouble(Value(text)));
}

// A limit that an older database has no row for holds at its default.
std::int64_t LimitOr(const Application& app, std::string_view prefix, std::string_view key,
                     std::int64_t fallback) {
  if (app_key::SettingText(app, prefix, key).empty()) return fallback;
  return Limit(app, prefix, key);
}

// The guessing limit: at most `fails` wrong passwords in `seconds`; 0 for either when off.
struct GuessLimit {
  std::int64_t fails;
  std::int64_t seconds;
};

GuessLimit GuessLimitOf(const Application& app, std::string_view prefix) {
  return {LimitOr(app, prefix, app_key::kLoginFails, kDefaultLoginFails),
          60 * LimitOr(app, prefix, app_key::kLoginFailMinutes, kDefaultLoginFailMinutes)};
}

std::string PostKey(const std::string& name) { return "post:" + name; }
// Names of users compare without regard to letter case, as the user table's lookups do.
std::string FailKey(const std::string& name) { return "fail:" + strings::ToLowerAscii(name); }

// `text` made safe inside a single-quoted script string.
std::string ScriptSafe(const Clock& clock, const std::string& text) {
  lumochat chat(clock);
  std::string html = chat.trHtml(text);
  return chat.TrStr(html, Value("0"));
}

std::string SystemText(const Clock& clock, const Outcome& outcome) {
  return "【系统】" + ScriptSafe(clock, outcome.done ? "好的：" + outcome.message + "。"
                                                     : outcome.message + "！");
}

}  // namespace

PostVerdict CheckPost(const Application& app, state::ChatState& chat, std::string_view prefix,
                      const std::string& name, Date now, const std::string& says) {
  const std::int64_t lines = Limit(app, prefix, app_key::kFloodLines);
  const std::int64_t seconds = Limit(app, prefix, app_key::kFloodSeconds);
  if (lines > 0 && seconds > 0) {
    state::Restraints& restraints = chat.restraints();
    if (static_cast<std::int64_t>(restraints.Note(PostKey(name), now, seconds)) > lines) {
      const int strikes = restraints.Strike(PostKey(name));
      const std::int64_t most = Limit(app, prefix, app_key::kFloodStrikes);
      if (most > 0 && Limit(app, prefix, app_key::kFloodKick) > 0 && strikes >= most) {
        restraints.Forget(PostKey(name));
        return PostVerdict::kSendAway;
      }
      return PostVerdict::kTooFast;
    }
  }
  return IsCommand(strings::Trim(says)) ? PostVerdict::kCommand : PostVerdict::kPass;
}

std::string SettlePost(Application& app, Session& session, std::string_view prefix,
                       const Clock& clock, PostVerdict verdict, const std::string& name,
                       const std::string& says, std::int32_t room) {
  const Outcome too_fast{false, std::string(texts::kTooFast)};
  if (verdict == PostVerdict::kSendAway) {
    const auto minutes = static_cast<std::int32_t>(Limit(app, prefix, app_key::kFloodKick));
    Moderator::System(app, prefix, clock).Kick(name, minutes, std::string(texts::kFloodReason));
    return SystemText(clock, too_fast);
  }
  if (verdict != PostVerdict::kCommand) return SystemText(clock, too_fast);
  std::optional<Moderator> moderator = Moderator::Find(app, session, prefix, clock);
  if (!moderator) return SystemText(clock, Outcome{false, std::string(texts::kNotAllowed)});
  std::optional<Outcome> outcome = moderator->Command(strings::Trim(says), room);
  return SystemText(clock, outcome ? *outcome : Outcome{false, std::string(texts::kUsage)});
}

bool LoginTooFrequent(Application& app, std::string_view prefix, const std::string& address,
                      Date now) {
  const std::int64_t most = Limit(app, prefix, app_key::kLoginsPerMinute);
  if (most <= 0) return false;
  state::ChatState& chat = app.Chat(prefix);
  state::MutexLock lock(chat.mutex());
  return static_cast<std::int64_t>(
             chat.restraints().Note("login:" + address, now, kLoginWindowSeconds)) > most;
}

bool PasswordGuessingLimited(Application& app, std::string_view prefix, const std::string& name,
                             Date now) {
  const GuessLimit limit = GuessLimitOf(app, prefix);
  if (limit.fails <= 0 || limit.seconds <= 0) return false;
  state::ChatState& chat = app.Chat(prefix);
  state::MutexLock lock(chat.mutex());
  return static_cast<std::int64_t>(chat.restraints().Count(FailKey(name), now, limit.seconds)) >=
         limit.fails;
}

void NoteWrongPassword(Application& app, std::string_view prefix, db::Connection& conn,
                       const std::string& name, Date now) {
  const GuessLimit limit = GuessLimitOf(app, prefix);
  if (limit.fails <= 0 || limit.seconds <= 0) return;
  std::size_t fails = 0;
  {
    state::ChatState& chat = app.Chat(prefix);
    state::MutexLock lock(chat.mutex());
    fails = chat.restraints().Note(FailKey(name), now, limit.seconds);
  }
  // Only the fail that reaches the limit is logged; the refused logins after it are not
  // counted, so the limit lets through at most `fails` guesses per window.
  if (static_cast<std::int64_t>(fails) != limit.fails) return;
  const std::string minutes = std::to_string(limit.seconds / 60);
  housekeeping::WriteEntry(conn, kGuessingLog, now,
                           {"系统", "系统", " ", "[" + name + "]", "自动",
                            minutes + "分钟内密码错误" + std::to_string(fails) + "次",
                            "暂停用户%%登录" + minutes + "分钟"});
}

bool TakeSentAway(state::ChatState& chat, const Session& session) {
  const std::string token = convert::ToText(session.Get(messages::kSessionToken));
  return !token.empty() && chat.restraints().TakeSentAway(token);
}

bool IsCommand(std::string_view line) {
  if (!line.starts_with("/")) return false;
  const std::string_view word = line.substr(
      1, line.find(' ') == std::string_view::npos ? std::string_view::npos : line.find(' ') - 1);
  for (Action action : kActions) {
    if (word == ActionName(action)) return true;
  }
  return false;
}

}  // namespace ravochat::moderation
