// A Member: the visitor found through getLevel, his chat's database and the helpers that
// every feature shares (stored names, the word filter, system lines).
#include <utility>

#include "core/app_keys.h"
#include "core/convert.h"
#include "core/strings.h"
#include "messages/visitor.h"
#include "ravochat/lumochat.h"
#include "ravochat/social.h"
#include "social/system_line.h"

namespace ravochat::social {

std::optional<Member> Member::Find(Application& app, Session& session, std::string_view prefix,
                                   const Clock& clock) {
  messages::ListedVisitor visitor;
  {
    state::ChatState& state = app.Chat(prefix);
    state::MutexLock lock(state.mutex());
    visitor = messages::FindVisitor(session, state);
  }
  if (visitor.level <= 0) return std::nullopt;
  return Member(app, prefix, clock, std::move(visitor.name));
}

Member::Member(Application& app, std::string_view prefix, const Clock& clock, std::string name)
    : app_(&app), prefix_(prefix), clock_(&clock), name_(std::move(name)) {
  conn_ = db::Connection::Open(Text(app_key::kConnStr), clock);
}

Member::Member(Member&&) noexcept = default;
Member& Member::operator=(Member&&) noexcept = default;
Member::~Member() = default;

std::optional<std::string> Member::StoredName(const std::string& name) {
  const std::string trimmed = strings::Trim(name);
  if (trimmed.empty()) return std::nullopt;
  db::Recordset rs =
      conn_->Execute("SELECT username FROM user WHERE username=? COLLATE NOCASE", {trimmed});
  if (rs.Eof()) return std::nullopt;
  return convert::ToText(rs.Field("username"));
}

std::string Member::Filtered(const std::string& text, std::size_t length) {
  std::string cut = strings::Left(strings::Trim(text), length);
  if (Text(app_key::kEnableSaysFilter) != "1") return cut;
  lumochat chat(*clock_);
  chat.FilterStr = Text(app_key::kSaysFilterStr);
  return chat.zhgl(cut);
}

void Member::Tell(const std::string& to_who, const std::string& line) {
  lumochat chat(*clock_);
  std::string shown = chat.trHtml(line);
  chat.TrStr(shown, Value("0"));
  TellRaw(to_who, shown);
}

void Member::TellRaw(const std::string& to_who, const std::string& script_text) {
  if (to_who != kEverybody && !IsOnline(*app_, prefix_, to_who)) return;
  PostSystemLine(*app_, prefix_, *clock_, to_who, script_text);
}

std::string Member::Text(std::string_view key) const {
  return app_key::SettingText(*app_, prefix_, key);
}

std::string Member::NowText() const { return convert::DateToText(clock_->Now()); }

}  // namespace ravochat::social
