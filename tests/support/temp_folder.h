// A temporary folder of files written in GBK or UTF-8, removed at the end of the test: an
// existing installation's export (CSV with mdb-export's quoting and date form), a log file.
#pragma once

#include <string>
#include <string_view>

namespace ravochat::testing {

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  // Writes `file` with the lines `utf8` (line feeds as written) in GBK, or as they are.
  void Write(std::string_view file, std::string_view utf8, bool gbk = true) const;
  // The text of `file` in the folder, "" when it is missing.
  std::string Read(std::string_view file) const;

 private:
  std::string path_;
};

}  // namespace ravochat::testing
