// phone.asp: the chat window for a narrow screen. Its head is the chat page's own (the
// visitor's and the room's settings, newchat.js); its body, site/phone_body.htm, holds the
// same named frames as inline frames in one column, so the same pages and the same
// polling serve it. The desktop frameset stays chat.asp.
#include <string>

#include "pages.h"

namespace ravochat::server::pages {

HttpResponse PhoneChat(Page& page) {
  const std::string frame_page =
      page.component().ChatFrame(page.app(), page.session(), page.request());
  const std::size_t head_end = frame_page.find("</head><frameset");
  // Anything but the chat page (the not-logged-in redirect) goes out as it is.
  if (head_end == std::string::npos) return page.Html(frame_page);
  const SiteFiles::File* body = page.services().site.Find("/phone_body.htm");
  if (body == nullptr) return NotFound();
  return page.Html(frame_page.substr(0, head_end) + body->text);
}

}  // namespace ravochat::server::pages
