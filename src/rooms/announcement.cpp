// Splitting of announcement templates into their text and colour parts, and the arrival
// notice that every move into a room writes.
#include "rooms/announcement.h"

#include <utility>
#include <vector>

#include "core/keyed_list.h"
#include "core/records.h"
#include "core/strings.h"

namespace ravochat::rooms {

Announcement SplitAnnouncement(std::string_view tmpl) {
  std::vector<std::string> parts = strings::Split(tmpl, "::");
  parts.resize(3);
  return {std::move(parts[0]), std::move(parts[1]), std::move(parts[2])};
}

std::string ArrivalText(const std::string& tmpl_text, const std::string& name,
                        const std::vector<std::string>& rec) {
  const auto field = [&](std::size_t index) { return keyed_list::FieldAt(rec, index, name); };
  return tmpl_text + "<\\script>parent.addl(\\'" + name + "\\'," + field(user_field::kSex) +
         ",\\'" + field(user_field::kFace) + "\\',\\'" + field(user_field::kListText) +
         "\\')</\\script>";
}

}  // namespace ravochat::rooms
