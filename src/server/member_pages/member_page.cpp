// The shared frame of the chatter's own pages.
#include "member_pages/member_page.h"

#include "pages.h"
#include "transport/form_token.h"
#include "transport/markup.h"

namespace ravochat::server {
namespace {

std::string TextOf(const Value& v) {
  const std::string* text = v.AsText();
  return text != nullptr ? *text : std::string();
}

}  // namespace

std::optional<social::Member> FindMember(Page& page) {
  return social::Member::Find(page.app(), page.session(), page.chat().prefix,
                              page.services().clock);
}

HttpResponse NotInChat(Page& page) {
  return page.Html(pages::PageHead("聊天室提示") +
                   "<body class=notice><div class=box><h1>你还没有登录到聊天室！</h1>"
                   "<p><a href='index.asp' target=_top>回到聊天室入口</a></p></div></body></html>");
}

bool SameSiteRequest(Page& page) {
  return !IsCrossSite(TextOf(page.request().ServerVariable("HTTP_SEC_FETCH_SITE")));
}

bool FormAccepted(Page& page) {
  return page.http().method == "POST" && SameSiteRequest(page) &&
         FormTokenMatches(page.session(), TextOf(page.request().Form(kFormTokenName)));
}

HttpResponse MemberPage(Page& page, std::string_view title, std::string_view message,
                        std::string_view body) {
  return page.Html(pages::PageHead(title) +
                   "<body class=member><div class=links><a href=userset.asp>设置</a> "
                   "<a href=call.asp>呼叫</a> <a href=getcall.asp>呼叫记录</a> "
                   "<a href=guest.asp>留言簿</a> <a href=friend.asp>好友申请</a></div><h1>" +
                   HtmlEscape(title) + "</h1>" + std::string(message) + std::string(body) +
                   "</body></html>");
}

std::string Outcome(std::string_view refusal, std::string_view done) {
  if (!refusal.empty()) return "<p class=message>" + HtmlEscape(refusal) + "</p>";
  return "<p class=done>" + HtmlEscape(done) + "</p>";
}

}  // namespace ravochat::server
