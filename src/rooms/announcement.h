// Announcement templates ("_enterroomshow", "_exitroomshow", ...): a text and two
// colour texts joined by "::". Missing parts count as empty texts.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ravochat::rooms {

struct Announcement {
  std::string text;
  std::string color1;
  std::string color2;
};

// The first three parts of `tmpl` split at "::"; a part that is missing is the empty
// text and parts after the third are ignored.
// SplitAnnouncement("进来了::red") == {"进来了", "red", ""}
Announcement SplitAnnouncement(std::string_view tmpl);

// The text of the notice of `name` arriving in a room: the template's text and the client
// call that adds him to the room's people list with the sex, face and list text of his
// user record `rec`. The backslashes travel with the stored text. Throws ListKeyError when
// `rec` lacks one of those fields.
std::string ArrivalText(const std::string& tmpl_text, const std::string& name,
                        const std::vector<std::string>& rec);

}  // namespace ravochat::rooms
