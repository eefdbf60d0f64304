// The user's row: the new-user rate and the address locks, the checks on an existing
// row (guessing limit, password, bans, lock level), and then the row made for a new user or
// brought up to date for a returning one (a classic password upgraded to argon2id), with the
// login notice that waits for him.
// Every name, password, address and time goes into the statements as a bound value;
// names compare without regard to letter case, as the user table's lookups always did.

#include <cstdint>

#include "core/app_keys.h"
#include "core/classic_random.h"
#include "core/convert.h"
#include "core/effective_level.h"
#include "core/strings.h"
#include "housekeeping/management_log.h"
#include "login/login_steps.h"
#include "login/login_texts.h"
#include "login/password_store.h"
#include "login/visitor.h"
#include "ravochat/error.h"
#include "ravochat/lumochat.h"
#include "ravochat/moderation.h"
#include "state/chat_state.h"
#include "state/flood_checks.h"

namespace ravochat {
namespace {

constexpr int kColourChoices = 18;

// A missing moment (a null column) is never later: a lock or ban without an end holds
// nothing, as a comparison with null never held.
bool IsLater(const Value& moment, Date now) {
  if (moment.IsNull() || moment.IsEmpty()) return false;
  return convert::ToDate(moment) > now;
}

double Number(const Value& v) { return convert::ToDouble(v); }

// The management log's line for the wrong password of `name` that reached `limit` at `now`.
// Throws DatabaseError.
void LogGuessing(db::Connection& conn, const std::string& name, const state::GuessLimit& limit,
                 Date now) {
  const std::string minutes = std::to_string(limit.seconds / 60);
  housekeeping::WriteEntry(conn, moderation::kGuessingLog, now,
                           {"系统", "系统", " ", "[" + name + "]", "自动",
                            minutes + "分钟内密码错误" + std::to_string(limit.fails) + "次",
                            "暂停用户%%登录" + minutes + "分钟"});
}

// "background:face1:face2" from the first colours of the two configured lists.
std::string ColourText(const Value& face_colours, const Value& background_colours) {
  const std::vector<std::string> faces = strings::Split(convert::ToText(face_colours), " ");
  const std::vector<std::string> backgrounds =
      strings::Split(convert::ToText(background_colours), " ");
  if (faces.size() < 2) throw ListKeyError("_facecolorstr holds fewer than two colours");
  if (backgrounds.empty()) throw ListKeyError("_backgroudcolorstr holds no colour");
  return backgrounds[0] + ":" + faces[0] + ":" + faces[1];
}

// True when `address` made "_newusernum" new users or more in the last 10 minutes.
bool NewUserLimitReached(const lumochat& component, Application& TheApplication,
                         db::Connection& conn, const Clock& clock, const std::string& address) {
  const Date now = clock.Now();
  // The lower bound on log_time only narrows what the index of (first_ip, log_time) reads:
  // any time within 10 minute boundaries of now is less than 11 minutes old.
  const Date earliest{now.seconds - 11 * 60};
  db::Recordset rs = conn.Execute(
      "SELECT count(*) as newnum FROM user WHERE first_ip=? and log_time>=? and "
      "datediff('n',log_time,?)<10",
      {address, convert::DateToText(earliest), convert::DateToText(now)});
  return Number(rs.Field("newnum")) >=
         Number(TheApplication.Get(app_key::AppKey(component.ConstStr, app_key::kNewUserNum)));
}

login::AddressLock FindAddressLock(db::Connection& conn, const Clock& clock,
                                   const std::string& address) {
  db::Recordset rs = conn.Execute("SELECT * FROM ip_lock WHERE ? like '%'||ip||'%'", {address});
  // Only the first matching lock counts, even when a later one still holds.
  if (rs.Eof() || !IsLater(rs.Field("end_time"), clock.Now())) return {};
  return login::AddressLock{true, rs.Field("act_level")};
}

// The row of `name` (letter case ignored), or nullopt when the user table has none.
std::optional<login::UserRow> FindUserRow(db::Connection& conn, const std::string& name) {
  db::Recordset rs = conn.Execute("SELECT * FROM user WHERE username=? COLLATE NOCASE", {name});
  if (rs.Eof()) return std::nullopt;
  return login::UserRow{rs.Field("username"), rs.Field("passwd"),     rs.Field("headface"),
                        rs.Field("sex"),      rs.Field("user_level"), rs.Field("visit_num"),
                        rs.Field("out_info"), rs.Field("out_time"),   rs.Field("friends")};
}

// The bans of the row and the lock level of the address: no refusal or the refusal.
LoginOutcome CheckExistingUser(const Clock& clock, const login::UserRow& row,
                              const login::AddressLock& lock) {
  const Date now = clock.Now();
  const double out_info = Number(row.out_info);
  if (out_info == 5 && IsLater(row.out_time, now)) return login::Refused(LoginRefusal::kKickedOut);
  if (out_info == 6 && IsLater(row.out_time, now)) return login::Refused(LoginRefusal::kFrozen);
  if (out_info == 7) return login::Refused(LoginRefusal::kFrozenForGood);
  if (lock.locked && Number(row.user_level) < Number(lock.level)) {
    return login::Refused(LoginRefusal::kAddressLocked);
  }
  return {};
}

// Writes a new user's row; fills in the visitor's level, face and welcome notice.
void CreateUser(lumochat& component, Application& TheApplication, db::Connection& conn,
                const Clock& clock, ClassicRandom& rng, login::Visitor& visitor) {
  const auto setting = [&](std::string_view name) {
    return TheApplication.Get(app_key::AppKey(component.ConstStr, name));
  };
  const std::string colours =
      ColourText(setting(app_key::kFaceColorStr), setting(app_key::kBackgroundColorStr));
  const auto draw = [&rng] { return static_cast<std::int64_t>(rng.Next() * kColourChoices); };
  const std::int64_t name_colour = draw();
  const std::int64_t says_colour = draw();
  const std::string now = convert::DateToText(clock.Now());
  conn.Execute(
      "INSERT INTO user (username,passwd,headface,sex,log_time,user_level,first_ip,last_ip,"
      "visit_num,in_time,out_info,exp_num,out_time,f_size,l_height,n_color,s_color,bgcolor) "
      "VALUES (?,?,1010,?,?,1,?,?,1,?,0,0,?,4,6,?,?,?)",
      {visitor.name, visitor.password, visitor.sex, now, visitor.address, visitor.address, now, now,
       name_colour, says_colour, colours});
  visitor.level = 1;
  visitor.effective_level = 1;
  visitor.face = 1010;
  // The password goes into a script string and an HTML line: escaped for both, the
  // browser shows it exactly as typed.
  std::string shown = component.trHtml(visitor.typed_password);
  component.TrStr(shown, Value("0"));
  visitor.notice = login::WelcomeNotice(visitor.name, shown);
}

// The notices that wait for `name`: calls, guest-book notes, friend requests, friends online.
std::string LoginNotices(const lumochat& component, Application& TheApplication,
                         db::Connection& conn, const login::UserRow& row, const std::string& name) {
  const std::string last_exit = convert::ToText(row.out_time);
  std::string notice;
  if (!conn.Execute("select * from calls where (towho='大家' and "
                    "datediff('s',calltime,?)<0) or (towho=? COLLATE NOCASE and read=0) "
                    "order by ID desc",
                    {last_exit, name})
           .Eof()) {
    notice += login::kCallsNotice;
  }
  if (!conn.Execute("select * from guestbook where towho=? COLLATE NOCASE and "
                    "datediff('s',post_time,?)<0",
                    {name, last_exit})
           .Eof()) {
    notice += login::GuestBookNotice(name);
  }
  for (db::Recordset rs =
           conn.Execute("select * from friendrq where towho=? COLLATE NOCASE", {name});
       !rs.Eof(); rs.MoveNext()) {
    notice += login::FriendRequestNotice(convert::ToText(rs.Field("who")),
                                         convert::ToText(rs.Field("ID")));
  }
  state::ChatState& chat = TheApplication.Chat(component.ConstStr);
  state::MutexLock lock(chat.mutex());
  notice += login::OnlineFriendsNotice(convert::ToText(row.friends),
                                       [&](const std::string& friend_name) REQUIRES(chat.mutex()) {
                                         return chat.Contains(state::List::kUsers, friend_name);
                                       });
  return notice;
}

// Writes what a login changes in the row, and `upgraded` as its password when given; fills
// in the visitor's level, face, sex, stored name and login notice.
void UpdateUser(const lumochat& component, Application& TheApplication, db::Connection& conn,
                const Clock& clock, const login::UserRow& row, login::Visitor& visitor,
                const std::optional<std::string>& upgraded) {
  const std::string now = convert::DateToText(clock.Now());
  visitor.level = row.user_level;
  visitor.effective_level = levels::Effective(conn, visitor.name, row.user_level);
  const std::int64_t visits = static_cast<std::int64_t>(Number(row.visit_num)) + 1;
  visitor.notice = LoginNotices(component, TheApplication, conn, row, visitor.name);
  conn.Execute(
      "UPDATE user SET temppass=' ',visit_num=?,last_ip=?,in_time=?,out_time=? "
      "WHERE username=? COLLATE NOCASE",
      {visits, visitor.address, now, now, visitor.name});
  // Only the password column changes besides what every login writes.
  if (upgraded) {
    conn.Execute("UPDATE user SET passwd=? WHERE username=? COLLATE NOCASE",
                 {*upgraded, visitor.name});
  }
  visitor.sex = Number(row.sex) != 0 ? 1 : 0;
  visitor.name = convert::ToText(row.username);
  visitor.face = convert::ToInt32(row.headface);
}

// The guessing limit, the password, the bans and the lock level for an existing user; then
// his row brought up to date.
LoginOutcome AdmitReturningUser(const lumochat& component, Application& TheApplication,
                                db::Connection& conn, const Clock& clock,
                                const login::UserRow& row, const login::AddressLock& lock,
                                login::Visitor& visitor) {
  const std::string& prefix = component.ConstStr;
  const std::string name = convert::ToText(row.username);
  // Refused before the password is looked at, so a guesser learns nothing more.
  if (state::PasswordGuessingLimited(TheApplication, prefix, name, clock.Now())) {
    return login::Refused(LoginRefusal::kTooManyWrongPasswords);
  }
  const std::string stored = convert::ToText(row.passwd);
  switch (login::CheckPassword(stored, visitor.typed_password)) {
    case login::PasswordCheck::kBusy:
      return login::Refused(LoginRefusal::kServerBusy);
    case login::PasswordCheck::kWrong:
      if (auto limit = state::NoteWrongPassword(TheApplication, prefix, name, clock.Now())) {
        LogGuessing(conn, name, *limit, clock.Now());
      }
      return login::Refused(LoginRefusal::kWrongPassword);
    case login::PasswordCheck::kRight:
      break;
  }
  if (LoginOutcome refusal = CheckExistingUser(clock, row, lock); refusal.Refused()) {
    return refusal;
  }
  std::optional<std::string> upgraded;
  if (login::IsClassic(stored)) {
    upgraded = login::StorePassword(visitor.typed_password,
                                    login::ChatPasswordCost(TheApplication, prefix));
    if (!upgraded) return login::Refused(LoginRefusal::kServerBusy);
  }
  UpdateUser(component, TheApplication, conn, clock, row, visitor, upgraded);
  return {};
}

}  // namespace

LoginOutcome login::AdmitUser(lumochat& component, Application& TheApplication,
                              Request& TheRequest, db::Connection& conn, const Clock& clock,
                              ClassicRandom& rng, login::Visitor& visitor) {
  const bool too_many_new_users =
      NewUserLimitReached(component, TheApplication, conn, clock, visitor.address);
  const login::AddressLock lock = FindAddressLock(conn, clock, visitor.address);
  if (std::optional<login::UserRow> row = FindUserRow(conn, visitor.name)) {
    return AdmitReturningUser(component, TheApplication, conn, clock, *row, lock, visitor);
  }
  if (lock.locked) return login::Refused(LoginRefusal::kAddressLocked);
  if (too_many_new_users) return login::Refused(LoginRefusal::kTooManyNewUsers);
  if (app_key::SettingText(TheApplication, component.ConstStr, app_key::kDisableNewUser) == "1") {
    return login::Refused(LoginRefusal::kNewUsersForbidden);
  }
  std::optional<std::string> stored = login::StorePassword(
      visitor.typed_password, login::ChatPasswordCost(TheApplication, component.ConstStr));
  if (!stored) return login::Refused(LoginRefusal::kServerBusy);
  visitor.password = std::move(*stored);
  visitor.sex = convert::ToText(TheRequest.Item("bSex")) == "1" ? 1 : 0;
  CreateUser(component, TheApplication, conn, clock, rng, visitor);
  return {};
}

}  // namespace ravochat
