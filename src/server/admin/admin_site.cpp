// The administration site's access rules, sign-in and page frame.
#include "admin/admin_site.h"

#include <charconv>

#include "member_pages/member_page.h"
#include "pages.h"
#include "ravochat/administration.h"
#include "transport/form_token.h"
#include "transport/markup.h"
#include "transport/trusted_proxy.h"

namespace ravochat::server::admin {
namespace {

bool PasswordSet(Page& page) {
  return administration::HasOperatorPassword(page.services().db, page.services().clock);
}

bool SignedIn(Page& page) {
  const Value v = page.admin_session().Get(kSignedIn);
  const std::string* text = v.AsText();
  return text != nullptr && *text == "1";
}

HttpResponse SeeOther(std::string_view location) {
  HttpResponse response;
  response.status = 303;
  response.headers.emplace_back("Location", std::string(location));
  return response;
}

constexpr std::string_view kStyle =
    "<style>body{font-family:'WenQuanYi Zen Hei',sans-serif;margin:0;background:#f4f7fb;"
    "color:#223}nav{background:#2a4d7a;padding:8px 12px}nav a{color:#fff;margin-right:14px;"
    "text-decoration:none}main{padding:12px 18px}table{border-collapse:collapse;background:#fff}"
    "td,th{border:1px solid #cdd7e3;padding:4px 8px;text-align:left;vertical-align:top}"
    "th{background:#e6edf6}.done{color:#087a2b}.message{color:#b00}form.inline{display:inline}"
    "input[type=text],input[type=number]{width:9em}input.wide{width:28em}.box{background:#fff;"
    "padding:16px;"
    "max-width:22em;margin:60px auto;border:1px solid #cdd7e3}.bar{fill:#2a4d7a}"
    ".axis{font-size:11px;fill:#445}.num{font-size:10px;fill:#223}</style>";

}  // namespace

bool Allowed(Page& page) {
  if (PasswordSet(page)) return SignedIn(page);
  return IsLoopback(page.origin().address);
}

HttpResponse Refuse(Page& page) {
  if (!PasswordSet(page)) return NotFound();
  return SeeOther("index.asp");
}

bool FormAccepted(Page& page) {
  return Allowed(page) && page.http().method == "POST" && SameSiteRequest(page) &&
         FormTokenMatches(page.admin_session(), page.Item(kFormTokenName));
}

std::string TokenInput(Page& page) {
  return "<input type=hidden name=" + std::string(kFormTokenName) +
         " value=" + FormToken(page.admin_session(true)) + ">";
}

HttpResponse Frame(Page& page, std::string_view title, std::string_view message,
                   std::string_view body) {
  std::string nav =
      "<nav><a href=visitors.asp>在线</a><a href=accounts.asp>用户</a><a href=locks.asp>封锁"
      "</a><a href=roomadmin.asp>房间</a><a href=notices.asp>公告</a><a href=actions.asp>动作</a>"
      "<a href=settings.asp>参数</a><a href=log.asp>管理日志"
      "</a><a href=maintenance.asp>维护</a><a href=stats.asp>统计</a>";
  if (PasswordSet(page)) nav += Form(page, "logout.asp", "logout", "", "退出");
  nav += "</nav>";
  return page.Html(
      "<html><head><meta http-equiv=content-type content='text/html;charset=gb2312'>"
      "<title>" +
      HtmlEscape(title) + "</title>" + std::string(kStyle) + "</head><body>" + nav + "<main><h1>" +
      HtmlEscape(title) + "</h1>" + std::string(message) + std::string(body) +
      "</main></body></html>");
}

moderation::Moderator Operator(Page& page) {
  return moderation::Moderator::Operator(page.app(), page.chat().prefix, page.services().clock);
}

administration::Console ConsoleOf(Page& page) {
  return administration::Console(page.app(), page.chat().prefix, page.services().clock);
}

std::string Cell(std::string_view text) { return "<td>" + HtmlEscape(text) + "</td>"; }

std::string Message(const moderation::Outcome& outcome) {
  return outcome.done ? "<p class=done>" + HtmlEscape(outcome.message) + "。</p>"
                      : "<p class=message>" + HtmlEscape(outcome.message) + "！</p>";
}

std::string Expired() { return "<p class=message>" + std::string(kFormExpired) + "</p>"; }

std::string Posted(Page& page, const std::function<std::string()>& act) {
  if (page.http().method != "POST") return "";
  return admin::FormAccepted(page) ? act() : Expired();
}

std::optional<std::int32_t> Number(Page& page, std::string_view name, std::int32_t low,
                                   std::int32_t high) {
  const std::string text = page.Item(name);
  std::int32_t n = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (n < low || n > high) return std::nullopt;
  return n;
}

std::string Form(Page& page, std::string_view action, std::string_view what,
                 std::string_view fields, std::string_view button) {
  return "<form class=inline method=post action=" + std::string(action) + ">" + TokenInput(page) +
         "<input type=hidden name=do value=" + std::string(what) + ">" + std::string(fields) +
         "<input type=submit value='" + std::string(button) + "'></form>";
}

HttpResponse SignIn(Page& page) {
  if (!PasswordSet(page)) {
    if (!IsLoopback(page.origin().address)) return NotFound();
    return SeeOther("visitors.asp");
  }
  std::string message;
  if (page.http().method == "POST") {
    if (SameSiteRequest(page) &&
        administration::CheckOperatorPassword(page.services().db, page.Item("password"),
                                              page.services().clock)) {
      page.StartAdminSession().Set(kSignedIn, Value("1"));
      HttpResponse response = page.Html("");
      response.status = 303;
      response.headers.emplace_back("Location", "visitors.asp");
      return response;
    }
    message = "<p class=message>密码不对！</p>";
  } else if (SignedIn(page)) {
    return SeeOther("visitors.asp");
  }
  return page.Html(
      "<html><head><meta http-equiv=content-type content='text/html;charset=gb2312'>"
      "<title>聊天室管理</title>" +
      std::string(kStyle) + "</head><body><div class=box><h1>聊天室管理</h1>" + message +
      "<form method=post action=index.asp id=signin><p>密码：<input type=password "
      "name=password autofocus></p><p><input type=submit value=登录></p></form></div>"
      "</body></html>");
}

HttpResponse SignOut(Page& page) {
  if (admin::FormAccepted(page)) page.EndAdminSession();
  return SeeOther("index.asp");
}

}  // namespace ravochat::server::admin
