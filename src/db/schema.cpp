// Creation of a chat database from the embedded schema and default rows.
#include "db/schema.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "db/pool.h"
#include "db/sqlite_handle.h"
#include "ravochat/database.h"

namespace ravochat::db {
namespace {

const char kSchema[] =
#include "schema_sql.inc"
    ;

const char kDefaults[] =
#include "defaults_sql.inc"
    ;

void MakeFolderOf(const std::string& path) {
  std::filesystem::path folder = std::filesystem::path(path).parent_path();
  std::error_code ignored;  // a folder that cannot be made shows as the open's own error
  if (!folder.empty()) std::filesystem::create_directories(folder, ignored);
}

// The line of schema.sql under which the tables added since the first databases stand.
constexpr std::string_view kAddedTablesMark = "\n-- Added tables\n";

}  // namespace

void CreateTables(const std::string& connstr, bool with_defaults) {
  std::string path = PathOf(connstr);
  MakeFolderOf(path);
  Handle handle(path, true);
  std::string script = kSchema;
  if (with_defaults) script += kDefaults;
  handle.ExecScript(script.c_str(), with_defaults ? "schema.sql + defaults.sql" : "schema.sql");
}

void CreateDatabase(const std::string& connstr) { CreateTables(connstr, true); }

void UpgradeDatabase(const std::string& connstr) {
  const std::string_view schema = kSchema;
  const std::size_t mark = schema.find(kAddedTablesMark);
  if (mark == std::string_view::npos) return;
  const std::string added(schema.substr(mark + kAddedTablesMark.size()));
  Handle handle(PathOf(connstr), false);
  handle.ExecScript(added.c_str(), "the added tables of schema.sql");
}

}  // namespace ravochat::db
