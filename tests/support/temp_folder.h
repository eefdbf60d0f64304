// A temporary folder of files written in GBK or UTF-8, removed at the end of the test.
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
  // Writes `file` with `utf8` in GBK, or as it is.
  void Write(std::string_view file, std::string_view utf8, bool gbk = true) const;
  // The text of `file` in the folder, "" when it is missing.
  std::string Read(std::string_view file) const;

 private:
  std::string path_;
};

}  // namespace ravochat::testing
