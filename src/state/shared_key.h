// The one place that names the Redis keys of the shared state.
#pragma once

#include <string>
#include <string_view>

namespace ravochat::state {

// The Redis key `name` of the chat of `prefix`: "ravochat:" + prefix + ":" + name.
inline std::string SharedKey(std::string_view prefix, std::string_view name) {
  std::string key = "ravochat:";
  key.append(prefix).append(":").append(name);
  return key;
}

}  // namespace ravochat::state
