// Short names of the login's refusals, for counting them apart.
#include <array>
#include <string>

#include "login/login_texts.h"
#include "ravochat/monitoring.h"

namespace ravochat {
namespace {

// True when `refusal` is the text `make` builds around some value.
bool MadeBy(std::string_view refusal, std::string (*make)(std::string_view)) {
  const std::string pattern = make("\x01");
  const std::string_view head = std::string_view(pattern).substr(0, pattern.find('\x01'));
  const std::string_view tail = std::string_view(pattern).substr(head.size() + 1);
  return refusal.size() >= head.size() + tail.size() && refusal.starts_with(head) &&
         refusal.ends_with(tail);
}

}  // namespace

std::string_view LoginRefusalReason(std::string_view refusal) {
  struct Reason {
    std::string_view text;
    std::string_view name;
  };
  static constexpr std::array kReasons = {
      Reason{login::kProxyRefused, "proxy"},
      Reason{login::kNameIsPassword, "name_is_password"},
      Reason{login::kNameEmpty, "name_empty"},
      Reason{login::kPasswordEmpty, "password_empty"},
      Reason{login::kNameIllegal, "name_illegal"},
      Reason{login::kChatFull, "chat_full"},
      Reason{login::kNoRooms, "no_rooms"},
      Reason{login::kNameIsRobot, "name_is_robot"},
      Reason{login::kRoomLevel, "room_level"},
      Reason{login::kRoomClosed, "room_closed"},
      Reason{login::kWrongPassword, "wrong_password"},
      Reason{login::kKickedOut, "kicked_out"},
      Reason{login::kFrozen, "frozen"},
      Reason{login::kFrozenForGood, "frozen_for_good"},
      Reason{login::kAddressLocked, "address_locked"},
      Reason{login::kTooManyNewUsers, "too_many_new_users"},
      Reason{login::kNewUsersForbidden, "new_users_forbidden"},
      Reason{login::kTooManyLogins, "too_many_logins"},
      Reason{login::kTooManyWrongPasswords, "too_many_wrong_passwords"},
      Reason{login::kServerBusy, "server_busy"},
  };
  for (const Reason& reason : kReasons) {
    if (refusal == reason.text) return reason.name;
  }
  // The two name-length refusals carry the configured length in their text.
  if (MadeBy(refusal, &login::ShortNameRefusal)) return "name_too_short";
  if (MadeBy(refusal, &login::LongNameRefusal)) return "name_too_long";
  return "other";
}

}  // namespace ravochat
