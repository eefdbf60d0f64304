// The server's log: one line per event on standard error. Lines are queued and written by
// one writer thread, so a slow reader of standard error never stalls a request; a line
// that finds the queue full is dropped and counted. Whoever makes a line from request
// values escapes them with EscapeLogText, so a value can never start a line of its own.
#pragma once

#include <string>
#include <string_view>

namespace ravochat::server {

// `text` with every control character and backslash written as an escape:
// EscapeLogText("a\nb\\") == "a\\x0ab\\\\"
std::string EscapeLogText(std::string_view text);

// Queues `line` and a line feed for standard error.
void LogLine(std::string_view line);

// Writes all of `text` to the descriptor `fd`, stopping at the first failed write (a log
// that cannot be written loses the line rather than stopping the server).
void WriteAll(int fd, std::string_view text);

}  // namespace ravochat::server
