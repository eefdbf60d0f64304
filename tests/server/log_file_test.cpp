// The access-log file and its reopening after rotation.
#include "server/log_file.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "gtest/gtest.h"

namespace ravochat::server {
namespace {

std::string Contents(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(LogFile, LinesAreAppendedAndAfterRotationGoToAFreshFileUnderTheName) {
  const auto folder =
      std::filesystem::temp_directory_path() / ("ravochat_log_" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const auto path = folder / "access.log";
  std::ofstream(path) << "earlier\n";
  {
    LogFile log(path.string());
    log.Write("GET / 200");
    std::filesystem::rename(path, folder / "access.log.1");
    log.Write("GET /a 200");  // still the moved file, as until the signal
    log.Reopen();
    log.Write("GET /b 404");
  }
  EXPECT_EQ(Contents(folder / "access.log.1"), "earlier\nGET / 200\nGET /a 200\n");
  EXPECT_EQ(Contents(path), "GET /b 404\n");
  EXPECT_THROW(LogFile((folder / "missing" / "x.log").string()), std::runtime_error);
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace ravochat::server
