#include "core/app_keys.h"

#include "core/convert.h"
#include "core/strings.h"

namespace ravochat::app_key {

std::optional<ListKey> SplitListKey(std::string_view key) {
  for (std::string_view name : {kUserList, kRoomList}) {
    if (key.size() >= name.size() &&
        strings::EqualsIgnoreCase(key.substr(key.size() - name.size()), name)) {
      return ListKey{key.substr(0, key.size() - name.size()), name == kUserList};
    }
  }
  return std::nullopt;
}

std::string SettingText(const Application& app, std::string_view prefix, std::string_view name) {
  return convert::ToText(app.Get(AppKey(prefix, name)));
}

}  // namespace ravochat::app_key
