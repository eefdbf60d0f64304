// call.asp calls a chatter or everybody; getcall.asp lists the visitor's calls, newest
// first, and marks his own as read.
#include <string>

#include "member_pages/member_page.h"
#include "pages.h"
#include "transport/form_token.h"
#include "transport/markup.h"

namespace ravochat::server::pages {
namespace {

std::string CallForm(Page& page, const std::string& to_who) {
  return "<form method=post action=call.asp id=call>" + FormTokenInput(page.session()) +
         "<div class=field><label class=title>呼叫</label><input type=text name=towho "
         "maxlength=20 value=\"" +
         HtmlEscape(to_who.empty() ? "大家" : to_who) +
         "\"></div><div class=field><label class=title>内容</label><input type=text "
         "name=message maxlength=" +
         std::to_string(social::kCallLength) +
         "></div><div class=buttons><input type=submit value=呼叫></div></form>";
}

std::string CallRow(const social::CallEntry& call) {
  return std::string("<tr") + (call.unread ? " class=unread" : "") + "><td>" +
         HtmlEscape(call.time) + "</td><td>" + HtmlEscape(call.who) + "</td><td>" +
         HtmlEscape(call.to_who) + "</td><td>" + HtmlEscape(call.message) + "</td></tr>";
}

}  // namespace

HttpResponse CallPage(Page& page) {
  std::optional<social::Member> member = FindMember(page);
  if (!member) return NotInChat(page);
  std::string message;
  if (page.http().method == "POST") {
    message = FormAccepted(page) ? Outcome(member->Call(page.Item("towho"), page.Item("message")),
                                           "呼叫已经发出。")
                                 : Outcome(kFormExpired, "");
  }
  return MemberPage(page, "呼叫", message, CallForm(page, page.Item("towho")));
}

HttpResponse GetCall(Page& page) {
  std::optional<social::Member> member = FindMember(page);
  if (!member) return NotInChat(page);
  std::string rows;
  for (const social::CallEntry& call : member->ReadCalls()) rows += CallRow(call);
  if (rows.empty()) return MemberPage(page, "呼叫记录", "", "<p id=calls>没有呼叫。</p>");
  return MemberPage(page, "呼叫记录", "",
                    "<table id=calls><tr><th>时间</th><th>谁</th><th>呼叫</th><th>内容</th></tr>" +
                        rows + "</table>");
}

}  // namespace ravochat::server::pages
