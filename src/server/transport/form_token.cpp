// Form tokens kept in the session, compared in time that does not depend on the text.
#include "transport/form_token.h"

#include "ravochat/random_token.h"

namespace ravochat::server {
namespace {

std::string Stored(Session& session) {
  const Value stored = session.Get(kFormTokenName);
  const std::string* text = stored.AsText();
  return text != nullptr ? *text : std::string();
}

}  // namespace

std::string FormToken(Session& session) {
  std::string token = Stored(session);
  if (token.empty()) {
    token = RandomToken();
    session.Set(kFormTokenName, Value(token));
  }
  return token;
}

std::string FormTokenInput(Session& session) {
  return "<input type=hidden name=" + std::string(kFormTokenName) + " value=" + FormToken(session) +
         ">";
}

bool FormTokenMatches(Session& session, std::string_view given) {
  const std::string token = Stored(session);
  return !token.empty() && SameSecret(token, given);
}

bool IsCrossSite(std::string_view sec_fetch_site) { return sec_fetch_site == "cross-site"; }

}  // namespace ravochat::server
