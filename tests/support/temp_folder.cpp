#include "support/temp_folder.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "ravochat/gbk.h"
#include "support/temp_database.h"

namespace ravochat::testing {

TempFolder::TempFolder() : path_(MakeTempFolder()) {}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void TempFolder::Write(std::string_view file, std::string_view utf8, bool gbk) const {
  std::ofstream out(path_ + "/" + std::string(file), std::ios::binary | std::ios::trunc);
  out << (gbk ? text::Utf8ToGbk(utf8) : std::string(utf8));
}

std::string TempFolder::Read(std::string_view file) const {
  std::ifstream in(path_ + "/" + std::string(file), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace ravochat::testing
