// Pages that call one operation of the component: login, the chat window, the first
// fill of the panes, polling, posting, room change, leaving and the idle sweep.
#include <string>

#include "pages.h"
#include "ravochat/login.h"
#include "ravochat/page_texts.h"
#include "ravochat/request_check.h"
#include "transport/markup.h"

namespace ravochat::server::pages {
namespace {

// The name of the request item that `operation` could not convert, "" when none.
std::string Unfit(Page& page, RequestOf operation) {
  return UnfitRequestItem(operation, page.request());
}

}  // namespace

HttpResponse Login(Page& page) {
  if (page.http().method != "POST") return LoginForm(page);
  if (const std::string bad = Unfit(page, RequestOf::kLoginCheck); !bad.empty()) {
    return BadRequest(bad);
  }
  Session& session = page.StartNewSession();
  const LoginOutcome outcome = page.component().Login(page.app(), session, page.request());
  page.services().metrics.CountLogin(LoginRefusalName(outcome.reason));
  if (outcome.Refused()) {
    page.DropNewSession();
    return LoginForm(page, outcome.text);
  }
  page.KeepNewSession();
  return page.Html(PageHead("进入聊天室") + "<body><script>window.name=" +
                   JsString(page_texts::kChatWindowName) + ";location.replace(" +
                   "window.innerWidth <= 600 ? 'phone.asp' : 'chat.asp');</script></body></html>");
}

HttpResponse ChatFrame(Page& page) {
  return page.Html(page.component().ChatFrame(page.app(), page.session(), page.request()));
}

HttpResponse SayList(Page& page) {
  return page.Html(page.component().InitSayList(page.app(), page.session()));
}

HttpResponse Refresh(Page& page) {
  if (const std::string bad = Unfit(page, RequestOf::kRefresh); !bad.empty())
    return BadRequest(bad);
  page.services().metrics.CountPoll();
  return page.Html(page.component().refresh(page.app(), page.session(), page.request()));
}

HttpResponse Say(Page& page) {
  if (const std::string bad = Unfit(page, RequestOf::kSubsay); !bad.empty()) return BadRequest(bad);
  page.services().metrics.CountLinePosted();
  return page.Html(page.component().subsay(page.app(), page.session(), page.request()));
}

// Loaded into the polling frame: on success the frame refills the panes for the new
// room; a refusal shows as a system line and polling goes on.
HttpResponse ChangeRoom(Page& page) {
  const std::string refusal =
      page.component().ChangeRoom(page.app(), page.session(), page.request());
  if (refusal.empty()) {
    return page.Html(PageHead("") + "<script>location.replace('saylist.asp');</script>");
  }
  return page.Html(PageHead("") + std::string(page_texts::kPollHead) + "parent.sysmsg(" +
                   JsString(refusal) + ");</script>");
}

HttpResponse Close(Page& page) {
  page.component().LeaveChat(page.app(), page.session());
  return page.Html(PageHead("离开聊天室") +
                   "<body class=notice><div class=box><h1>你已经离开了聊天室</h1>"
                   "<p>欢迎再来！</p><p><a href='index.asp' target=_top>重新进入聊天室</a></p>"
                   "</div></body></html>");
}

HttpResponse UserCheck(Page& page) {
  ForgetInSessions(*page.chat().sessions, page.component().SweepIdle(page.app()));
  return page.Html(PageHead("") + "<body></body></html>");
}

}  // namespace ravochat::server::pages
