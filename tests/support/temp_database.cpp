// Temporary chat databases for tests: a fresh folder for each, a copy of a database made
// from the real schema, and the pool of its handles dropped before the files go.
#include "support/temp_database.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <unistd.h>

#include "core/convert.h"
#include "db/pool.h"
#include "db/schema.h"
#include "ravochat/database.h"
#include "ravochat/error.h"

namespace ravochat::testing {
namespace {

// Memory-backed /dev/shm where there is one and TMPDIR does not say otherwise: file syncs
// cost nothing there.
std::filesystem::path TempRoot() {
  std::error_code ignored;
  if (std::getenv("TMPDIR") == nullptr && std::filesystem::is_directory("/dev/shm", ignored) &&
      access("/dev/shm", W_OK) == 0) {
    return "/dev/shm";
  }
  return std::filesystem::temp_directory_path();
}

std::string MakeTempFolder() {
  std::string pattern = (TempRoot() / "ravochat-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw Error("cannot make a temporary folder");
  return pattern;
}

// Creating a database costs a few file syncs; each kind is made once per test run and
// copied from then on. The copies start in WAL mode, which the file itself records.
class Templates {
 public:
  Templates() : dir_(MakeTempFolder()) {
    db::CreateTables(dir_ + "/schema.db", false);
    db::CreateTables(dir_ + "/defaults.db", true);
  }
  ~Templates() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  std::string PathOf(bool with_defaults) const {
    return dir_ + (with_defaults ? "/defaults.db" : "/schema.db");
  }

 private:
  std::string dir_;
};

const Templates& TheTemplates() {
  static const Templates templates;
  return templates;
}

}  // namespace

TempDatabase::TempDatabase(bool with_defaults)
    : dir_(MakeTempFolder()), connstr_("sqlite:" + dir_ + "/chat.db") {
  std::filesystem::copy_file(TheTemplates().PathOf(with_defaults), dir_ + "/chat.db");
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
