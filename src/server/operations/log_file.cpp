// Appending and reopening the log file.
#include "operations/log_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <stdexcept>

#include "operations/log.h"

namespace ravochat::server {
namespace {

int OpenForAppending(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0640);
  if (fd < 0) {
    throw std::runtime_error("cannot open the log file " + path + ": " + std::strerror(errno));
  }
  return fd;
}

}  // namespace

LogFile::LogFile(std::string path) : path_(std::move(path)), fd_(OpenForAppending(path_)) {}

LogFile::~LogFile() { ::close(fd_); }

void LogFile::Write(std::string_view line) {
  std::string text(line);
  text.push_back('\n');
  std::shared_lock lock(mutex_);
  // O_APPEND writes of a line land whole at the end of the file.
  WriteAll(fd_, text);
}

void LogFile::Reopen() {
  const int fresh = OpenForAppending(path_);
  std::unique_lock lock(mutex_);
  ::close(fd_);
  fd_ = fresh;
}

}  // namespace ravochat::server
