// Login: the login page's one call, and LoginCheck, its text alone. The steps run in a fixed order
// and a refusal ends the call at once; the statistics run for every call that passes the capacity
// check, whatever a later step decides.

#include <cstdint>

#include "core/app_keys.h"
#include "core/convert.h"
#include "core/keyed_list.h"
#include "core/strings.h"
#include "login/login_steps.h"
#include "login/login_texts.h"
#include "login/visitor.h"
#include "messages/visitor.h"
#include "ravochat/lumochat.h"
#include "state/flood_checks.h"

namespace ravochat {
namespace {

// Both proxy headers present while the administrator forbids proxies. The switch is
// converted even without proxy headers, so a broken setting shows at every login.
bool ProxyForbidden(const Request& request, const Value& disable_proxy) {
  const bool forbidden = convert::ToDouble(disable_proxy) == 1;
  const std::string via = strings::Trim(convert::ToText(request.ServerVariable("HTTP_VIA")));
  const std::string forwarded =
      strings::Trim(convert::ToText(request.ServerVariable("HTTP_X_FORWARDED_FOR")));
  return !via.empty() && !forwarded.empty() && forbidden;
}

// More visitors online than the limit; a login with exactly the limit online gets in.
bool ChatIsFull(state::ChatState& chat, std::int32_t max_people) EXCLUDES(chat.mutex()) {
  state::MutexLock lock(chat.mutex());
  return static_cast<std::int64_t>(chat.Count(state::List::kUsers)) > max_people;
}

}  // namespace

LoginOutcome lumochat::Login(Application& TheApplication, Session& TheSession,
                             Request& TheRequest) {
  if (ProxyForbidden(TheRequest, TheApplication.Get(Key(app_key::kDisableProxy)))) {
    return login::Refused(LoginRefusal::kProxy);
  }
  const std::int32_t max_people = convert::ToInt32(TheApplication.Get(Key(app_key::kMaxPeople)));
  login::Visitor visitor = login::ReadLoginForm(*this, TheApplication, TheRequest);
  if (state::LoginTooFrequent(TheApplication, ConstStr, visitor.address, clock_.Now())) {
    return login::Refused(LoginRefusal::kTooManyLogins);
  }
  if (LoginOutcome refusal = login::CheckLoginName(*this, TheApplication, visitor);
      refusal.Refused()) {
    return refusal;
  }

  OpenConn(TheApplication);
  if (ChatIsFull(TheApplication.Chat(ConstStr), max_people)) {
    return login::Refused(LoginRefusal::kChatFull);
  }
  // The password is checked against the user's row, and hashed for a new one, only once the
  // cheaper checks have passed (see AdmitUser).
  // Counted for every visitor who got this far, whatever the room and user checks say.
  CountLogin(TheApplication);

  if (LoginOutcome refusal = login::ChooseRoom(*this, TheApplication, TheRequest);
      refusal.Refused()) {
    return refusal;
  }
  if (LoginOutcome refusal = login::CheckRoomRules(*this, TheApplication, visitor);
      refusal.Refused()) {
    return refusal;
  }
  if (LoginOutcome refusal = login::AdmitUser(*this, TheApplication, TheRequest,
                                              OpenConn(TheApplication), clock_, *rng_, visitor);
      refusal.Refused()) {
    return refusal;
  }
  login::EnterChat(*this, TheApplication, TheSession, clock_, visitor);
  return {};
}

std::string lumochat::LoginCheck(Application& TheApplication, Session& TheSession,
                                 Request& TheRequest) {
  return Login(TheApplication, TheSession, TheRequest).text;
}

}  // namespace ravochat
