// The login's refusals by reason: the short name the host counts them by and, for all but
// the two name-length refusals (whose text carries the configured length), the text.
#include <array>
#include <cstddef>

#include "login/login_texts.h"
#include "ravochat/login.h"

namespace ravochat {
namespace {

struct Reason {
  std::string_view name;
  std::string_view text;
};

// In the order of LoginRefusal.
constexpr std::array kReasons = {
    Reason{"", ""},
    Reason{"proxy", login::kProxyRefused},
    Reason{"name_is_password", login::kNameIsPassword},
    Reason{"name_empty", login::kNameEmpty},
    Reason{"password_empty", login::kPasswordEmpty},
    Reason{"name_too_short", ""},
    Reason{"name_too_long", ""},
    Reason{"name_illegal", login::kNameIllegal},
    Reason{"chat_full", login::kChatFull},
    Reason{"no_rooms", login::kNoRooms},
    Reason{"name_is_robot", login::kNameIsRobot},
    Reason{"room_level", login::kRoomLevel},
    Reason{"room_closed", login::kRoomClosed},
    Reason{"wrong_password", login::kWrongPassword},
    Reason{"kicked_out", login::kKickedOut},
    Reason{"frozen", login::kFrozen},
    Reason{"frozen_for_good", login::kFrozenForGood},
    Reason{"address_locked", login::kAddressLocked},
    Reason{"too_many_new_users", login::kTooManyNewUsers},
    Reason{"new_users_forbidden", login::kNewUsersForbidden},
    Reason{"too_many_logins", login::kTooManyLogins},
    Reason{"too_many_wrong_passwords", login::kTooManyWrongPasswords},
    Reason{"server_busy", login::kServerBusy},
};
static_assert(kReasons.size() == static_cast<std::size_t>(LoginRefusal::kServerBusy) + 1);

}  // namespace

std::string_view LoginRefusalName(LoginRefusal reason) {
  return kReasons[static_cast<std::size_t>(reason)].name;
}

namespace login {

LoginOutcome Refused(LoginRefusal reason) {
  return {reason, std::string(kReasons[static_cast<std::size_t>(reason)].text)};
}

}  // namespace login
}  // namespace ravochat
