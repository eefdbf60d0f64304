// Temporary chat databases for tests: a fresh folder under the system's temporary folder,
// the real schema, and the pool of its handles dropped before the files go.
#include "support/temp_database.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "core/convert.h"
#include "db/pool.h"
#include "db/schema.h"
#include "ravochat/database.h"
#include "ravochat/error.h"

namespace ravochat::testing {
namespace {

std::string MakeTempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "ravochat-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw Error("cannot make a temporary folder");
  return pattern;
}

}  // namespace

TempDatabase::TempDatabase(bool with_defaults)
    : dir_(MakeTempFolder()), connstr_("sqlite:" + dir_ + "/chat.db") {
  db::CreateTables(connstr_, with_defaults);
}

TempDatabase::~TempDatabase() {
  db::DropPool(connstr_);
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

void TempDatabase::Exec(std::string_view sql, const std::vector<Value>& params) {
  db::Connection::Open(connstr_, SystemClock::Instance())->Execute(sql, params);
}

std::string TempDatabase::Scalar(std::string_view sql, const std::vector<Value>& params) {
  auto conn = db::Connection::Open(connstr_, SystemClock::Instance());
  db::Recordset rs = conn->Execute(sql, params);
  if (rs.Eof()) return "";
  // The first column, whatever its name.
  return convert::ToText(rs.FieldAt(0));
}

}  // namespace ravochat::testing
