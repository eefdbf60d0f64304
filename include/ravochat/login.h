// What one login attempt comes to, apart from the page that shows it: admitted, or refused
// for a reason with the exact text the login page prints. The host counts the reasons.
#pragma once

#include <string>
#include <string_view>

namespace ravochat {

// Why a login was refused; kNone when the visitor was admitted.
enum class LoginRefusal {
  kNone,
  kProxy,
  kNameIsPassword,
  kNameEmpty,
  kPasswordEmpty,
  kNameTooShort,
  kNameTooLong,
  kNameIllegal,
  kChatFull,
  kNoRooms,
  kNameIsRobot,
  kRoomLevel,
  kRoomClosed,
  kWrongPassword,
  kKickedOut,
  kFrozen,
  kFrozenForGood,
  kAddressLocked,
  kTooManyNewUsers,
  kNewUsersForbidden,
  kTooManyLogins,
  kTooManyWrongPasswords,
  kServerBusy,
};

struct LoginOutcome {
  LoginRefusal reason = LoginRefusal::kNone;
  // The refusal as the login page shows it; "" when admitted.
  std::string text;

  bool Refused() const { return reason != LoginRefusal::kNone; }
};

// A short stable name of `reason` ("wrong_password", "chat_full", ...), "" for kNone.
std::string_view LoginRefusalName(LoginRefusal reason);

}  // namespace ravochat
