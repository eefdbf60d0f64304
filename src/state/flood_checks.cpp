// Flood control over the chat's restraint memory: a window of recent lines per visitor and
// of recent logins per address, under the chat's mutex.
#include "state/flood_checks.h"

#include "core/app_keys.h"
#include "core/convert.h"
#include "core/strings.h"

namespace ravochat::state {
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

// 0 for either when the guessing limit is off.
GuessLimit GuessLimitOf(const Application& app, std::string_view prefix) {
  return {LimitOr(app, prefix, app_key::kLoginFails, kDefaultLoginFails),
          60 * LimitOr(app, prefix, app_key::kLoginFailMinutes, kDefaultLoginFailMinutes)};
}

std::string PostKey(const std::string& name) { return "post:" + name; }
// Names of users compare without regard to letter case, as the user table's lookups do.
std::string FailKey(const std::string& name) { return "fail:" + strings::ToLowerAscii(name); }

}  // namespace

PostVerdict CheckPost(const Application& app, ChatState& chat, std::string_view prefix,
                      const std::string& name, Date now) {
  const std::int64_t lines = Limit(app, prefix, app_key::kFloodLines);
  const std::int64_t seconds = Limit(app, prefix, app_key::kFloodSeconds);
  if (lines <= 0 || seconds <= 0) return PostVerdict::kPass;
  Restraints& restraints = chat.restraints();
  if (static_cast<std::int64_t>(restraints.Note(PostKey(name), now, seconds)) <= lines) {
    return PostVerdict::kPass;
  }
  const int strikes = restraints.Strike(PostKey(name));
  const std::int64_t most = Limit(app, prefix, app_key::kFloodStrikes);
  if (most > 0 && SendAwayMinutes(app, prefix) > 0 && strikes >= most) {
    restraints.Forget(PostKey(name));
    return PostVerdict::kSendAway;
  }
  return PostVerdict::kTooFast;
}

std::int32_t SendAwayMinutes(const Application& app, std::string_view prefix) {
  return static_cast<std::int32_t>(Limit(app, prefix, app_key::kFloodKick));
}

bool LoginTooFrequent(Application& app, std::string_view prefix, const std::string& address,
                      Date now) {
  const std::int64_t most = Limit(app, prefix, app_key::kLoginsPerMinute);
  if (most <= 0) return false;
  ChatState& chat = app.Chat(prefix);
  MutexLock lock(chat.mutex());
  return static_cast<std::int64_t>(
             chat.restraints().Note("login:" + address, now, kLoginWindowSeconds)) > most;
}

bool PasswordGuessingLimited(Application& app, std::string_view prefix, const std::string& name,
                             Date now) {
  const GuessLimit limit = GuessLimitOf(app, prefix);
  if (limit.fails <= 0 || limit.seconds <= 0) return false;
  ChatState& chat = app.Chat(prefix);
  MutexLock lock(chat.mutex());
  return static_cast<std::int64_t>(chat.restraints().Count(FailKey(name), now, limit.seconds)) >=
         limit.fails;
}

std::optional<GuessLimit> NoteWrongPassword(Application& app, std::string_view prefix,
                                            const std::string& name, Date now) {
  const GuessLimit limit = GuessLimitOf(app, prefix);
  if (limit.fails <= 0 || limit.seconds <= 0) return std::nullopt;
  ChatState& chat = app.Chat(prefix);
  MutexLock lock(chat.mutex());
  // Only the fail that reaches the limit is told; the refused logins after it are not
  // counted, so the limit lets through at most `fails` guesses per window.
  const std::size_t fails = chat.restraints().Note(FailKey(name), now, limit.seconds);
  if (static_cast<std::int64_t>(fails) != limit.fails) return std::nullopt;
  return limit;
}

}  // namespace ravochat::state
