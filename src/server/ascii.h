// Letter case and blanks for the host's own pages, on the library's key comparison.
#pragma once

#include <string_view>

#include "ravochat/host.h"

namespace ravochat::server {

// Equal when ASCII letter case is ignored.
inline bool SameIgnoringCase(std::string_view a, std::string_view b) {
  const CaseInsensitiveLess less;
  return !less(a, b) && !less(b, a);
}

// `s` without the blanks at both ends.
inline std::string_view TrimBlanks(std::string_view s) {
  while (s.starts_with(' ')) s.remove_prefix(1);
  while (s.ends_with(' ')) s.remove_suffix(1);
  return s;
}

}  // namespace ravochat::server
