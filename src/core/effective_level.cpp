#include "core/effective_level.h"

#include "core/convert.h"

namespace ravochat::levels {

Value Effective(const Value& user_level, const Value& temporary) {
  if (temporary.IsEmpty() || temporary.IsNull()) return user_level;
  const double raised = convert::ToDouble(temporary);
  if (raised > kTemporaryLevelFloor && raised > convert::ToDouble(user_level)) return temporary;
  return user_level;
}

Value Effective(db::Connection& conn, const std::string& name, const Value& user_level) {
  db::Recordset rs = conn.Execute(
      "select temp_level from vrecord where username=? COLLATE NOCASE and temp_level>?",
      {Value(name), Value(kTemporaryLevelFloor)});
  return rs.Eof() ? user_level : Effective(user_level, rs.Field("temp_level"));
}

}  // namespace ravochat::levels
