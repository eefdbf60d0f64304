// Splitting of announcement templates into their text and colour parts.
#include "rooms/announcement.h"

#include <utility>
#include <vector>

#include "core/strings.h"

namespace ravochat::rooms {

Announcement SplitAnnouncement(std::string_view tmpl) {
  std::vector<std::string> parts = strings::Split(tmpl, "::");
  parts.resize(3);
  return {std::move(parts[0]), std::move(parts[1]), std::move(parts[2])};
}

}  // namespace ravochat::rooms
