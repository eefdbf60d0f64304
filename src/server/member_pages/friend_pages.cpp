// friend.asp asks a chatter for friendship; agreefriend.asp?ID=N&answer=yes|no answers
// a request from the links of the login notice or of the system line, in a hidden frame
// of the chat window. Those links carry no form token: the answer is refused when the
// browser marks it as sent from another site, and only the request's addressee may give it.
#include <charconv>
#include <string>

#include "member_pages/member_page.h"
#include "pages.h"
#include "transport/form_token.h"
#include "transport/markup.h"

namespace ravochat::server::pages {
namespace {

std::string AskForm(Page& page, const std::string& to_who) {
  return "<form method=post action=friend.asp id=askfriend>" + FormTokenInput(page.session()) +
         "<div class=field><label class=title>向</label><input type=text name=towho "
         "maxlength=20 value=\"" +
         HtmlEscape(to_who) +
         "\"></div><div class=buttons><input type=submit value=申请做好友></div></form>";
}

}  // namespace

HttpResponse Friend(Page& page) {
  std::optional<social::Member> member = FindMember(page);
  if (!member) return NotInChat(page);
  std::string message;
  if (page.http().method == "POST") {
    message = FormAccepted(page)
                  ? Outcome(member->AskFriend(page.Item("towho")), "好友申请已经发出。")
                  : Outcome(kFormExpired, "");
  }
  return MemberPage(page, "好友申请", message, AskForm(page, page.Item("towho")));
}

HttpResponse AgreeFriend(Page& page) {
  std::optional<social::Member> member = FindMember(page);
  if (!member) return NotInChat(page);
  const std::string id_text = page.Item("ID");
  std::int64_t id = 0;
  std::from_chars(id_text.data(), id_text.data() + id_text.size(), id);
  const std::string answer = page.Item("answer");
  std::string refusal(kFormExpired);
  if (SameSiteRequest(page) && (answer == "yes" || answer == "no")) {
    refusal = member->AnswerFriend(id, answer == "yes");
  }
  const std::string said = !refusal.empty()  ? refusal
                           : answer == "yes" ? "你们已经是好友了！"
                                             : "你拒绝了这个好友申请。";
  return page.Html(PageHead("好友申请") + "<body><p id=answer>" + HtmlEscape(said) +
                   "</p><script>if (parent != self && parent.sysmsg) parent.sysmsg(" +
                   JsString(said) + ");</script></body></html>");
}

}  // namespace ravochat::server::pages
