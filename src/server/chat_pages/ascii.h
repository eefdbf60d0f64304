// Blanks for the host's own pages.
#pragma once

#include <string_view>

namespace ravochat::server {

// `s` without the blanks at both ends.
inline std::string_view TrimBlanks(std::string_view s) {
  while (s.starts_with(' ')) s.remove_prefix(1);
  while (s.ends_with(' ')) s.remove_suffix(1);
  return s;
}

}  // namespace ravochat::server
