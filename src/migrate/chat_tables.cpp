// The table list and the columns read from the database's own catalogue.
#include "migrate/chat_tables.h"

#include <algorithm>
#include <array>

#include "core/convert.h"
#include "core/strings.h"
#include "ravochat/migration.h"

namespace ravochat::migration {
namespace {

// Every date column of the chat's tables; no other column of any table has these names.
constexpr std::array<std::string_view, 10> kDateColumns = {
    "log_time", "in_time",  "out_time",  "room_time", "build_time",
    "end_time", "calltime", "post_time", "sub_time",  "occ_time"};

ColumnKind KindOf(std::string_view name, std::string_view type) {
  const std::string lower = strings::ToLowerAscii(name);
  if (std::find(kDateColumns.begin(), kDateColumns.end(), lower) != kDateColumns.end()) {
    return ColumnKind::kDate;
  }
  const std::string type_lower = strings::ToLowerAscii(type);
  if (type_lower.find("int") != std::string::npos) return ColumnKind::kNumber;
  return ColumnKind::kText;
}

}  // namespace

const std::vector<ChatTable>& ImportedTables() {
  static const std::vector<ChatTable> tables = {{"sysparam", "alias", false, true},
                                                {"room", "ID", true},
                                                {"user", "username", true},
                                                {"vrecord", ""},
                                                {"calls", "ID", true},
                                                {"guestbook", "ID", true},
                                                {"friendrq", "ID", true},
                                                {"ip_lock", "ID", true},
                                                {"record", "ID", true},
                                                {"action", "act_name"},
                                                {"autoact", "id", true},
                                                {"scrollad", "ID", true}};
  return tables;
}

const std::vector<ChatTable>& CopiedTables() {
  static const std::vector<ChatTable> tables = [] {
    std::vector<ChatTable> all = ImportedTables();
    all.push_back({"state_snapshot", ""});
    all.push_back({"operator", ""});
    return all;
  }();
  return tables;
}

std::vector<Column> TableColumns(db::Connection& conn, bool postgres, std::string_view table) {
  const Value name{std::string(table)};
  db::Recordset rs =
      postgres ? conn.Execute(
                     "SELECT column_name, data_type FROM information_schema.columns WHERE "
                     "table_name=? AND table_schema=current_schema() ORDER BY ordinal_position",
                     {name})
               : conn.Execute("SELECT name, type FROM pragma_table_info(?)", {name});
  std::vector<Column> columns;
  for (; !rs.Eof(); rs.MoveNext()) {
    const std::string column = convert::ToText(rs.FieldAt(0));
    columns.push_back({column, KindOf(column, convert::ToText(rs.FieldAt(1)))});
  }
  if (columns.empty()) {
    throw MigrationError("the database has no table " + std::string(table));
  }
  return columns;
}

std::size_t CountRows(db::Connection& conn, std::string_view table) {
  db::Recordset rs = conn.Execute("SELECT count(*) FROM " + std::string(table));
  return static_cast<std::size_t>(convert::ToDouble(rs.FieldAt(0)));
}

}  // namespace ravochat::migration
