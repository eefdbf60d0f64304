// System lines go into the ring as act -5 (the login notices' code) with room -2, which
// every room's readers receive; the sender field stays empty, so no visitor counts as
// their sender.
#include "social/system_line.h"

#include "core/app_keys.h"
#include "core/convert.h"
#include "core/keyed_list.h"
#include "messages/visitor.h"
#include "ravochat/lumochat.h"
#include "ravochat/social.h"

namespace ravochat::social {
namespace {

constexpr int kEveryRoom = -2;
constexpr int kSystemAct = -5;

}  // namespace

bool IsOnline(const Application& app, std::string_view prefix, std::string_view name) {
  const Value users = app.Get(app_key::AppKey(prefix, app_key::kUserList));
  std::string scratch;
  return !name.empty() && keyed_list::Contains(messages::TextOf(users, scratch), name);
}

void PostSystemLine(Application& app, std::string_view prefix, const Clock& clock,
                    const std::string& to_who, const std::string& script_text) {
  const int secret = to_who == kEverybody ? 0 : 1;
  auto lock = app.Lock();
  Value says = app.Get(app_key::AppKey(prefix, app_key::kSays));
  Value current = app.Get(app_key::AppKey(prefix, app_key::kCurrent));
  lumochat chat(clock);
  chat.ConstStr = std::string(prefix);
  chat.Newsay("", to_who, secret, kEveryRoom, script_text, "", "", kSystemAct, says, current);
  app.Set(app_key::AppKey(prefix, app_key::kSays), says);
  app.Set(app_key::AppKey(prefix, app_key::kCurrent), current);
}

}  // namespace ravochat::social
