// A chatter's own settings, password and friends list in his user row. A change is
// checked whole before anything is stored, so a refused form changes nothing.
#include "core/convert.h"
#include "core/keyed_list.h"
#include "core/strings.h"
#include "login/login_texts.h"
#include "login/password_store.h"
#include "ravochat/social.h"
#include "social/social_texts.h"

namespace ravochat::social {
namespace {

bool InRange(std::int32_t v, std::int32_t low, std::int32_t high) { return v >= low && v <= high; }

bool IsColour(std::string_view c) {
  if (c.size() != 7 || c[0] != '#') return false;
  for (char d : c.substr(1)) {
    if (!((d >= '0' && d <= '9') || (d >= 'a' && d <= 'f') || (d >= 'A' && d <= 'F'))) {
      return false;
    }
  }
  return true;
}

std::int32_t Whole(const Value& v) { return v.IsNull() ? 0 : convert::ToInt32(v); }

}  // namespace

Settings Member::ReadSettings() {
  db::Recordset rs = conn_->Execute("SELECT * FROM user WHERE username=?", {name_});
  if (rs.Eof()) return {};
  return Settings{Whole(rs.Field("headface")),
                  Whole(rs.Field("sex")) != 0 ? 1 : 0,
                  Whole(rs.Field("f_size")),
                  Whole(rs.Field("l_height")),
                  Whole(rs.Field("n_color")),
                  Whole(rs.Field("s_color")),
                  convert::ToText(rs.Field("bgcolor")),
                  convert::ToText(rs.Field("friends"))};
}

std::string Member::ChangeSettings(const Settings& s) {
  if (!InRange(s.face, kFaceMin, kFaceMax) || !InRange(s.sex, 0, 1) ||
      !InRange(s.f_size, 0, kSizeMax) || !InRange(s.l_height, 0, kLineHeightMax) ||
      !InRange(s.n_color, 0, kColourMax) || !InRange(s.s_color, 0, kColourMax)) {
    return std::string(texts::kOutOfRange);
  }
  const std::vector<std::string> colours = strings::Split(s.bgcolor, ":");
  if (colours.size() != 3) return std::string(texts::kBadColour);
  for (const std::string& c : colours) {
    if (!IsColour(c)) return std::string(texts::kBadColour);
  }
  conn_->Execute(
      "UPDATE user SET headface=?,sex=?,f_size=?,l_height=?,n_color=?,s_color=?,bgcolor=? "
      "WHERE username=?",
      {s.face, s.sex, s.f_size, s.l_height, s.n_color, s.s_color, s.bgcolor, name_});
  return "";
}

std::string Member::ChangePassword(const std::string& old_password, const std::string& new_password,
                                   const std::string& again) {
  db::Recordset rs = conn_->Execute("SELECT passwd FROM user WHERE username=?", {name_});
  if (rs.Eof()) return std::string(texts::kWrongOldPassword);
  switch (login::CheckPassword(convert::ToText(rs.Field("passwd")), old_password)) {
    case login::PasswordCheck::kBusy:
      return std::string(login::kServerBusy);
    case login::PasswordCheck::kWrong:
      return std::string(texts::kWrongOldPassword);
    case login::PasswordCheck::kRight:
      break;
  }
  if (login::PasswordIsBlank(new_password)) return std::string(texts::kPasswordEmpty);
  if (new_password != again) return std::string(texts::kPasswordMismatch);
  if (strings::EqualsIgnoreCase(strings::Trim(new_password), name_)) {
    return std::string(texts::kPasswordIsName);
  }
  std::optional<std::string> hashed =
      login::StorePassword(new_password, login::ChatPasswordCost(*app_, prefix_));
  if (!hashed) return std::string(login::kServerBusy);
  conn_->Execute("UPDATE user SET passwd=? WHERE username=?", {*hashed, name_});
  return "";
}

std::string Member::AddFriend(const std::string& friend_name) {
  const std::optional<std::string> stored = StoredName(friend_name);
  if (!stored) return std::string(texts::kNoSuchUser);
  if (*stored == name_) return std::string(texts::kNotYourself);
  const std::string friends = strings::Trim(ReadSettings().friends);
  if (keyed_list::AddWord(friends, *stored) == friends) return std::string(texts::kAlreadyFriend);
  const std::string trimmed_friends = strings::Trim(friends);
  if (!trimmed_friends.empty() && strings::Split(trimmed_friends, " ").size() >= kMaxFriends) {
    return std::string(texts::kTooManyFriends);
  }
  conn_->Execute("UPDATE user SET friends=? WHERE username=?",
                 {strings::Trim(keyed_list::AddWord(friends, *stored)), name_});
  return "";
}

std::string Member::RemoveFriend(const std::string& friend_name) {
  const std::string friends = strings::Trim(ReadSettings().friends);
  const std::string left = keyed_list::RemoveWord(friends, strings::Trim(friend_name));
  if (left == friends) return std::string(texts::kNotAFriend);
  conn_->Execute("UPDATE user SET friends=? WHERE username=?", {left, name_});
  return "";
}

}  // namespace ravochat::social
