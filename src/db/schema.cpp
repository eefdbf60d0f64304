// Creation of a chat database from the embedded schema and default rows.
#include "db/schema.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "db/pool.h"
#include "db/postgres_link.h"
#include "db/sqlite_handle.h"
#include "ravochat/database.h"

namespace ravochat::db {
namespace {

const char kSchema[] =
#include "schema_sql.inc"
    ;

const char kPostgresSchema[] =
#include "schema_postgres_sql.inc"
    ;

const char kDefaults[] =
#include "defaults_sql.inc"
    ;

void MakeFolderOf(const std::string& path) {
  std::filesystem::path folder = std::filesystem::path(path).parent_path();
  std::error_code ignored;  // a folder that cannot be made shows as the open's own error
  if (!folder.empty()) std::filesystem::create_directories(folder, ignored);
}

// Any number: it names the lock that servers starting at once on one empty PostgreSQL
// database take, so that one of them makes the tables and the others find them.
constexpr std::string_view kCreationLock = "7413021";

bool HasChatTables(PostgresLink& link) {
  auto rows = link.Run(
      "SELECT count(*) AS n FROM information_schema.tables WHERE table_name='sysparam' AND "
      "table_schema=current_schema()",
      {});
  return rows->rows.at(0).at(0) != Value(0);
}

void CreatePostgresTables(PostgresLink& link, bool with_defaults) {
  std::string script = kPostgresSchema;
  if (with_defaults)
    script.append(kDefaults).append(";\n").append(kContinuePostgresNumbering).append(";\n");
  link.ExecScript(script,
                  with_defaults ? "schema_postgres.sql + defaults.sql" : "schema_postgres.sql");
}

// The line of a schema under which the tables added since the first databases stand; they
// are made "IF NOT EXISTS", so an older database gains them at every start.
constexpr std::string_view kAddedTablesMark = "\n-- Added tables\n";

std::string AddedTables(std::string_view schema) {
  const std::size_t mark = schema.find(kAddedTablesMark);
  return mark == std::string_view::npos
             ? ""
             : std::string(schema.substr(mark + kAddedTablesMark.size()));
}

}  // namespace

void CreateTables(const std::string& connstr, bool with_defaults) {
  if (NamesPostgres(connstr)) {
    PostgresLink link(connstr);
    CreatePostgresTables(link, with_defaults);
    return;
  }
  std::string path = PathOf(connstr);
  MakeFolderOf(path);
  Handle handle(path, true);
  std::string script = kSchema;
  if (with_defaults) script += kDefaults;
  handle.ExecScript(script.c_str(), with_defaults ? "schema.sql + defaults.sql" : "schema.sql");
}

void CreateDatabase(const std::string& connstr) { CreateTables(connstr, true); }

bool EnsureDatabase(const std::string& connstr) {
  if (!NamesPostgres(connstr)) {
    if (std::filesystem::exists(PathOf(connstr))) {
      UpgradeDatabase(connstr);
      return false;
    }
    CreateDatabase(connstr);
    return true;
  }
  PostgresLink link(connstr);
  link.ExecScript(std::string("SELECT pg_advisory_lock(") + kCreationLock.data() + ")", "lock");
  const bool missing = !HasChatTables(link);
  if (missing) {
    CreatePostgresTables(link, true);
  } else {
    link.ExecScript(AddedTables(kPostgresSchema), "the added tables of schema_postgres.sql");
  }
  // The lock goes with the connection.
  return missing;
}

void UpgradeDatabase(const std::string& connstr) {
  if (NamesPostgres(connstr)) {
    PostgresLink link(connstr);
    link.ExecScript(AddedTables(kPostgresSchema), "the added tables of schema_postgres.sql");
    return;
  }
  Handle handle(PathOf(connstr), false);
  handle.ExecScript(AddedTables(kSchema).c_str(), "the added tables of schema.sql");
}

}  // namespace ravochat::db
