// A log file that lines are appended to, each with one write so that lines of concurrent
// requests never interleave, and that can be reopened under its name after log rotation
// moved it away.
#pragma once

#include <shared_mutex>
#include <string>
#include <string_view>

namespace ravochat::server {

class LogFile {
 public:
  // Opens (creates) `path` for appending. Throws std::runtime_error naming the path.
  explicit LogFile(std::string path);
  ~LogFile();
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;

  // Appends `line` and a line feed. A failed write is dropped: logging never stops a page.
  void Write(std::string_view line);
  // Opens the file under its name afresh; lines under way finish in the old one. Throws
  // std::runtime_error, keeping the old file, when the name cannot be opened.
  void Reopen();

 private:
  std::string path_;
  std::shared_mutex mutex_;  // shared by writers, exclusive while the file changes
  int fd_ = -1;
};

}  // namespace ravochat::server
