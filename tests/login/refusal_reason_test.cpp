// Short names of the login refusals, as the metrics count them.
#include "login/login_texts.h"
#include "ravochat/monitoring.h"

#include "gtest/gtest.h"

namespace ravochat {
namespace {

TEST(LoginRefusalReason, EveryRefusalHasItsOwnNameAndTheLengthRefusalsWhateverTheLength) {
  const std::vector<std::pair<std::string, std::string_view>> cases = {
      {std::string(login::kProxyRefused), "proxy"},
      {std::string(login::kWrongPassword), "wrong_password"},
      {std::string(login::kAddressLocked), "address_locked"},
      {login::ShortNameRefusal("3"), "name_too_short"},
      {login::LongNameRefusal("12"), "name_too_long"},
      {"错误：用户名长度不能太短至少", "other"},
      {"", "other"},
  };
  for (const auto& [refusal, reason] : cases) {
    EXPECT_EQ(LoginRefusalReason(refusal), reason) << refusal;
  }
}

}  // namespace
}  // namespace ravochat
