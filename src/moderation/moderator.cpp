// A Moderator: who acts (a visitor in the chat, the operator or the chat itself), at which
// level, and the helpers every action shares: the level rules, the target's level, lines to
// a room and the management log row.
#include <limits>
#include <utility>

#include "core/app_keys.h"
#include "core/convert.h"
#include "core/effective_level.h"
#include "core/records.h"
#include "core/strings.h"
#include "housekeeping/management_log.h"
#include "messages/visitor.h"
#include "moderation/moderation_texts.h"
#include "ravochat/lumochat.h"
#include "ravochat/moderation.h"

namespace ravochat::moderation {
namespace {

constexpr std::int64_t kAboveEveryone = std::numeric_limits<std::int32_t>::max();
constexpr std::string_view kOperatorName = "管理员";
constexpr std::string_view kSystemName = "系统";

}  // namespace

std::string_view ActionName(Action action) {
  switch (action) {
    case Action::kKick:
      return "kick";
    case Action::kFreeze:
      return "freeze";
    case Action::kLock:
      return "lock";
    case Action::kLevel:
      return "level";
    case Action::kDoor:
      return "door";
    case Action::kRobot:
      return "robot";
    case Action::kTitle:
      return "title";
  }
  return "";
}

std::optional<Moderator> Moderator::Find(Application& app, Session& session,
                                         std::string_view prefix, const Clock& clock) {
  messages::ListedVisitor visitor;
  {
    state::ChatState& chat = app.Chat(prefix);
    state::MutexLock lock(chat.mutex());
    visitor = messages::FindVisitor(session, chat);
  }
  if (visitor.level <= 0) return std::nullopt;
  const std::string role = "等级" + std::to_string(visitor.level);
  return Moderator(app, prefix, clock, std::move(visitor.name), visitor.level, role);
}

Moderator Moderator::Operator(Application& app, std::string_view prefix, const Clock& clock) {
  return Moderator(app, prefix, clock, std::string(kOperatorName), kAboveEveryone,
                   std::string(kOperatorName));
}

Moderator Moderator::System(Application& app, std::string_view prefix, const Clock& clock) {
  return Moderator(app, prefix, clock, std::string(kSystemName), kAboveEveryone,
                   std::string(kSystemName));
}

Moderator::Moderator(Application& app, std::string_view prefix, const Clock& clock,
                     std::string name, std::int64_t level, std::string role)
    : app_(&app),
      prefix_(prefix),
      clock_(&clock),
      name_(std::move(name)),
      level_(level),
      role_(std::move(role)) {
  conn_ = db::Connection::Open(Setting(app_key::kConnStr), clock);
}

Moderator::Moderator(Moderator&&) noexcept = default;
Moderator& Moderator::operator=(Moderator&&) noexcept = default;
Moderator::~Moderator() = default;

bool Moderator::May(Action action) const {
  if (level_ == kAboveEveryone) return true;
  // A missing or broken level setting opens the action to nobody but the operator.
  const std::string minimum =
      Setting(std::string(app_key::kLevelPrefix).append(ActionName(action)));
  return convert::IsNumericText(minimum) && level_ - convert::ToDouble(Value(minimum)) >= 0;
}

std::vector<Action> Moderator::Allowed() const {
  std::vector<Action> allowed;
  for (Action action : kActions) {
    if (May(action)) allowed.push_back(action);
  }
  return allowed;
}

std::optional<std::int64_t> Moderator::TargetLevel(const std::string& name, std::string& stored) {
  db::Recordset row = conn_->Execute("SELECT username, user_level FROM user WHERE username=?",
                                     {Value(strings::Trim(name))});
  if (row.Eof()) return std::nullopt;
  stored = convert::ToText(row.Field("username"));
  {
    state::ChatState& chat = app_->Chat(prefix_);
    state::MutexLock lock(chat.mutex());
    if (chat.FieldCount(state::List::kUsers, stored) > user_field::kEffectiveLevel) {
      return static_cast<std::int64_t>(convert::ToDouble(
          Value(chat.Field(state::List::kUsers, stored, user_field::kEffectiveLevel))));
    }
  }
  return static_cast<std::int64_t>(
      convert::ToDouble(levels::Effective(*conn_, stored, row.Field("user_level"))));
}

std::optional<Outcome> Moderator::Refusal(Action action, const std::string& name,
                                          std::string& stored) {
  if (!May(action)) return Outcome{false, std::string(texts::kNotAllowed)};
  const std::optional<std::int64_t> level = TargetLevel(name, stored);
  if (!level) return Outcome{false, std::string(texts::kNoSuchUser)};
  if (strings::EqualsIgnoreCase(stored, name_)) {
    return Outcome{false, std::string(texts::kNotYourself)};
  }
  if (*level >= level_) return Outcome{false, std::string(texts::kNotOnEqual)};
  return std::nullopt;
}

std::optional<std::string> Moderator::RoomName(std::int32_t room) {
  state::ChatState& chat = app_->Chat(prefix_);
  state::MutexLock lock(chat.mutex());
  const std::string key = std::to_string(room);
  if (!chat.Contains(state::List::kRooms, key)) return std::nullopt;
  return chat.Field(state::List::kRooms, key, room_field::kName);
}

void Moderator::ChangeRoom(std::int32_t room, std::size_t field, std::string_view column,
                           const std::string& value) {
  {
    state::ChatState& chat = app_->Chat(prefix_);
    state::MutexLock lock(chat.mutex());
    chat.SetField(state::List::kRooms, std::to_string(room), field, value);
  }
  // `column` is one of the room table's names, never a visitor's text.
  conn_->Execute("UPDATE room SET " + std::string(column) + "=? WHERE ID=?",
                 {Value(value), Value(room)});
}

void Moderator::Log(int stype, const std::string& place, const std::string& target,
                    const std::string& reason, const std::string& act) {
  const bool automatic = name_ == kSystemName;
  housekeeping::WriteEntry(*conn_, stype, clock_->Now(),
                           {name_, role_, place.empty() ? " " : place, "[" + target + "]",
                            automatic ? "自动" : "手动", reason.empty() ? " " : reason, act});
}

std::string Moderator::Setting(std::string_view key) const {
  return app_key::SettingText(*app_, prefix_, key);
}

}  // namespace ravochat::moderation
