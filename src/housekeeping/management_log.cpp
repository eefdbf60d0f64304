// Management log rows of housekeeping: texts built here, inserted with bound values.
#include "housekeeping/management_log.h"

#include "core/convert.h"
#include "core/strings.h"

namespace ravochat::housekeeping {
namespace {

std::string LogText(std::string_view bracketed_names, std::string_view tail) {
  std::string text = "系统>系统> >";
  text.append(bracketed_names).append(">自动>").append(tail);
  return text;
}

}  // namespace

std::string BracketList(const std::vector<std::string>& names, std::string_view separator) {
  if (names.empty()) return "";
  return "[" + strings::Join(names, separator) + "]";
}

void WriteEntry(db::Connection& conn, int stype, Date now, const std::vector<std::string>& fields) {
  std::vector<std::string> kept;
  for (const std::string& field : fields) kept.push_back(strings::Replace(field, ">", "＞"));
  conn.Execute("INSERT INTO record (stype,occ_time,occ_env) VALUES (?,?,?)",
               {Value(stype), Value(convert::DateToText(now)), Value(strings::Join(kept, ">"))});
}

void WriteLog(db::Connection& conn, int stype, Date now, std::string_view bracketed_names,
              std::string_view tail) {
  conn.Execute(
      "INSERT INTO record (stype,occ_time,occ_env) VALUES (?,?,?)",
      {Value(stype), Value(convert::DateToText(now)), Value(LogText(bracketed_names, tail))});
}

}  // namespace ravochat::housekeeping
