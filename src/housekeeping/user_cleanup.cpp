// Stale-user cleanup: accounts not used for a number of days since their last logout are
// deleted from the user table (UserExpire), once-visitors by their own limit; saved
// accounts never. The online user list is not touched.
#include <string>
#include <string_view>
#include <vector>

#include "core/app_keys.h"
#include "core/convert.h"
#include "housekeeping/management_log.h"
#include "housekeeping/routine_inputs.h"
#include "ravochat/lumochat.h"

namespace ravochat {
namespace {

using housekeeping::NumericLimit;

// Accounts with fewer than 2 visits are judged by the once-visitor limit (first "?"),
// the others by the general limit (second "?").
constexpr std::string_view kStaleCondition =
    " WHERE ((visit_num<2 AND datediff('d',out_time,now())>?)"
    " OR (visit_num>1 AND datediff('d',out_time,now())>?)) AND saved=0";

std::string StaleUsersSql(std::string_view head) {
  return std::string(head).append(kStaleCondition);
}

Value OnceLimit(const Value& v) {
  return NumericLimit(v, "once-visitor limit _usernameoncetimeout");
}
Value GeneralLimit(const Value& v) { return NumericLimit(v, "user limit _usernametimeout"); }

std::vector<std::string> StaleNames(db::Connection& conn, const Value& once, const Value& general) {
  std::vector<std::string> names;
  for (db::Recordset rs =
           conn.Execute(StaleUsersSql("SELECT username FROM \"user\""), {once, general});
       !rs.Eof(); rs.MoveNext()) {
    names.push_back(convert::ToText(rs.Field("username")));
  }
  return names;
}

}  // namespace

std::string lumochat::UserExpire(const Value& UMod, const Value& once_limit, const Value& limit) {
  const Value once = OnceLimit(once_limit);
  const Value general = GeneralLimit(limit);
  db::Connection& conn = housekeeping::OpenedConnection(Conn);
  const std::string listed = housekeeping::BracketList(StaleNames(conn, once, general), ", ");
  if (listed.empty() || !housekeeping::IsApplyMode(UMod)) return listed;
  // The log row goes first; the deletion repeats the condition rather than the names.
  housekeeping::WriteLog(conn, housekeeping::kUserClearedLog, clock_.Now(), listed,
                         housekeeping::kUserClearedTail);
  conn.Execute(StaleUsersSql("DELETE FROM \"user\""), {once, general});
  return listed;
}

std::string lumochat::UserClear(Application& TheApplication, const Value& UMod) {
  const Value once = OnceLimit(TheApplication.Get(Key(app_key::kUserNameOnceTimeout)));
  const Value general = GeneralLimit(TheApplication.Get(Key(app_key::kUserNameTimeout)));
  OpenConn(TheApplication);
  return UserExpire(UMod, once, general);
}

}  // namespace ravochat
