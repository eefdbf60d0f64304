// Friend requests: a `friendrq` row, the answer links for an addressee online (the same
// line the login notice gives), and the answer that only the addressee may give.
#include "core/convert.h"
#include "core/keyed_list.h"
#include "core/strings.h"
#include "login/login_texts.h"
#include "ravochat/social.h"
#include "social/social_texts.h"

namespace ravochat::social {
namespace {

// Adds `friend_name` to the friends list of the user `name`.
void Befriend(db::Connection& conn, const std::string& name, const std::string& friend_name) {
  db::Recordset rs = conn.Execute("SELECT friends FROM user WHERE username=?", {name});
  if (rs.Eof()) return;
  const std::string friends = strings::Trim(convert::ToText(rs.Field("friends")));
  conn.Execute("UPDATE user SET friends=? WHERE username=?",
               {strings::Trim(keyed_list::AddWord(friends, friend_name)), name});
}

}  // namespace

std::string Member::AskFriend(const std::string& to_who) {
  const std::optional<std::string> stored = StoredName(to_who);
  if (!stored) return std::string(texts::kNoSuchUser);
  if (*stored == name_) return std::string(texts::kNotYourself);
  const std::string friends = strings::Trim(ReadSettings().friends);
  if (keyed_list::AddWord(friends, *stored) == friends) {
    return std::string(texts::kAlreadyFriend);
  }
  if (!conn_->Execute("SELECT ID FROM friendrq WHERE who=? AND towho=?", {name_, *stored}).Eof()) {
    return std::string(texts::kRequestPending);
  }
  conn_->Execute("INSERT INTO friendrq (who,towho,sub_time) VALUES (?,?,?)",
                 {name_, *stored, NowText()});
  db::Recordset rs =
      conn_->Execute("SELECT ID FROM friendrq WHERE who=? AND towho=?", {name_, *stored});
  TellRaw(*stored, login::FriendRequestNotice(name_, convert::ToText(rs.Field("ID"))));
  return "";
}

std::string Member::AnswerFriend(std::int64_t id, bool agree) {
  db::Recordset rs = conn_->Execute("SELECT who FROM friendrq WHERE ID=? AND towho=?", {id, name_});
  if (rs.Eof()) return std::string(texts::kNoSuchRequest);
  const std::string asker = convert::ToText(rs.Field("who"));
  if (agree) {
    Befriend(*conn_, name_, asker);
    Befriend(*conn_, asker, name_);
  }
  conn_->Execute("DELETE FROM friendrq WHERE ID=?", {id});
  Tell(asker, "【系统】" + name_ + (agree ? "同意了你的好友申请！" : "没有同意你的好友申请。"));
  return "";
}

}  // namespace ravochat::social
