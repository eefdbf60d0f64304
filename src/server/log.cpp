// Standard-error log lines.
#include "log.h"

#include <unistd.h>

#include <string>

namespace ravochat::server {

void LogLine(std::string_view line) {
  std::string text(line);
  text.push_back('\n');
  const char* data = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    const ssize_t written = ::write(STDERR_FILENO, data, left);
    if (written <= 0) return;
    data += written;
    left -= static_cast<std::size_t>(written);
  }
}

}  // namespace ravochat::server
