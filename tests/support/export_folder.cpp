// The export folder of the import tests.
#include "support/export_folder.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "ravochat/gbk.h"
#include "support/temp_database.h"

namespace ravochat::testing {

ExportFolder::ExportFolder() : path_(MakeTempFolder()) {}

ExportFolder::~ExportFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void ExportFolder::Write(std::string_view file, std::string_view utf8, bool gbk) const {
  std::ofstream out(path_ + "/" + std::string(file), std::ios::binary | std::ios::trunc);
  out << (gbk ? text::Utf8ToGbk(utf8) : std::string(utf8));
}

std::string ExportFolder::Read(std::string_view file) const {
  std::ifstream in(path_ + "/" + std::string(file), std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace ravochat::testing
