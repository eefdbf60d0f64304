// Calls: a row in `calls` with its caller and message, a system line for an addressee
// online, and the call list that marks the reader's calls as read.
#include "core/convert.h"
#include "ravochat/social.h"
#include "social/social_texts.h"

namespace ravochat::social {

std::string Member::Call(const std::string& to_who, const std::string& message) {
  std::string target(kEverybody);
  if (to_who != kEverybody) {
    const std::optional<std::string> stored = StoredName(to_who);
    if (!stored) return std::string(texts::kNoSuchUser);
    if (*stored == name_) return std::string(texts::kNotYourself);
    target = *stored;
  }
  const std::string said = Filtered(message, kCallLength);
  conn_->Execute("INSERT INTO calls (who,towho,message,calltime,read) VALUES (?,?,?,?,0)",
                 {name_, target, said, NowText()});
  const std::string whom = target == kEverybody ? "大家" : "你";
  Tell(target, "【系统】" + name_ + "呼叫" + whom + (said.empty() ? "！" : "：" + said));
  return "";
}

std::vector<CallEntry> Member::ReadCalls() {
  const Date since{clock_->Now().seconds - kBroadcastHours * 3600};
  std::vector<CallEntry> calls;
  for (db::Recordset rs = conn_->Execute(
           "SELECT * FROM calls WHERE towho=? OR (towho=? AND calltime>=?) ORDER BY ID DESC",
           {name_, std::string(kEverybody), convert::DateToText(since)});
       !rs.Eof(); rs.MoveNext()) {
    const std::string to_who = convert::ToText(rs.Field("towho"));
    calls.push_back({convert::ToText(rs.Field("who")), to_who, convert::ToText(rs.Field("message")),
                     convert::DateToText(convert::ToDate(rs.Field("calltime"))),
                     to_who != kEverybody && convert::ToDouble(rs.Field("read")) == 0});
  }
  conn_->Execute("UPDATE calls SET read=1 WHERE towho=? AND read=0", {name_});
  return calls;
}

}  // namespace ravochat::social
