// The server's log: one line per event on standard error, written with a single call so
// that lines of concurrent requests never interleave.
#pragma once

#include <string_view>

namespace ravochat::server {

// Writes `line` and a line feed to standard error.
void LogLine(std::string_view line);

}  // namespace ravochat::server
