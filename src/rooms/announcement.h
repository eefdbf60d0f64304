// Announcement templates ("_enterroomshow", "_exitroomshow", ...): a text and two
// colour texts joined by "::". Missing parts count as empty texts.
#pragma once

#include <string>
#include <string_view>

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

}  // namespace ravochat::rooms
