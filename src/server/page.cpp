// The page context: lazy request adaptation, sessions behind the chat's cookie, answers.
#include "page.h"

#include "transport/gbk_edge.h"
#include "transport/markup.h"
#include "transport/request_adapter.h"

namespace ravochat::server {

Page::Page(Services& services, Chat& chat, const HttpRequest& http)
    : services_(services),
      chat_(chat),
      http_(http),
      origin_(RequestOrigin(http, services.trusted_proxies)) {}

Request& Page::request() {
  if (!request_) request_.emplace(AdaptRequest(http_, origin_));
  return *request_;
}

std::string Page::Item(std::string_view name) { return ValueText(request().Item(name)); }

Session& Page::session() {
  if (new_session_) return *new_session_;
  if (!session_) {
    const std::string id = http_.Cookie(chat_.cookie_name);
    if (!id.empty()) session_ = chat_.sessions->Find(id);
    if (!session_) session_ = std::make_shared<MemorySession>();
  }
  return *session_;
}

Session& Page::StartNewSession() {
  new_session_ = chat_.sessions->Create(new_session_id_);
  return *new_session_;
}

void Page::KeepNewSession() {
  const std::string old_id = http_.Cookie(chat_.cookie_name);
  if (!old_id.empty() && old_id != new_session_id_) chat_.sessions->Remove(old_id);
}

void Page::DropNewSession() {
  chat_.sessions->Remove(new_session_id_);
  new_session_.reset();
  new_session_id_.clear();
}

Session& Page::admin_session(bool keep) {
  if (!admin_session_) {
    const std::string id = http_.Cookie(chat_.admin_cookie_name);
    if (!id.empty()) admin_session_ = chat_.admin_sessions->Find(id);
  }
  if (!admin_session_ && keep) admin_session_ = chat_.admin_sessions->Create(new_admin_session_id_);
  if (!admin_session_) admin_session_ = std::make_shared<MemorySession>();
  return *admin_session_;
}

Session& Page::StartAdminSession() {
  EndAdminSession();
  admin_session_ = chat_.admin_sessions->Create(new_admin_session_id_);
  return *admin_session_;
}

void Page::EndAdminSession() {
  const std::string old_id = http_.Cookie(chat_.admin_cookie_name);
  if (!old_id.empty()) chat_.admin_sessions->Remove(old_id);
  admin_session_.reset();
}

lumochat& Page::component() {
  if (!component_) {
    component_ = std::make_unique<lumochat>(services_.clock);
    component_->ConstStr = chat_.prefix;
  }
  return *component_;
}

HttpResponse Page::Html(std::string_view utf8, int status) {
  HttpResponse response;
  response.status = status;
  response.content_type = std::string(kPageContentType);
  response.body = ToWire(utf8);
  response.headers.emplace_back("Cache-Control", "no-store");
  if (new_session_) {
    response.headers.emplace_back("Set-Cookie", chat_.cookie_name + "=" + new_session_id_ +
                                                    std::string(kCookieAttributes) +
                                                    (origin_.secure ? "; Secure" : ""));
  }
  if (!new_admin_session_id_.empty()) {
    response.headers.emplace_back(
        "Set-Cookie", chat_.admin_cookie_name + "=" + new_admin_session_id_ +
                          std::string(kCookieAttributes) + (origin_.secure ? "; Secure" : ""));
  }
  return response;
}

namespace {

// A bare page: `title`, the HTML `body`, `status`, sent as GBK.
HttpResponse Notice(int status, std::string_view title, std::string_view body) {
  HttpResponse response;
  response.status = status;
  response.content_type = std::string(kPageContentType);
  response.body = ToWire(
      "<html><head><meta http-equiv=content-type content='text/html;charset=gb2312'><title>" +
      std::string(title) + "</title></head><body>" + std::string(body) + "</body></html>");
  return response;
}

}  // namespace

HttpResponse NotFound() {
  return Notice(404, "找不到网页", "<p>找不到这个网页。</p><p><a href='/'>回到聊天室入口</a></p>");
}

HttpResponse ServerError() { return Notice(500, "500", "<p>服务器出错了，请稍后再试。</p>"); }

HttpResponse BadRequest(std::string_view name) {
  return Notice(400, "400", "<p>请求有误：" + HtmlEscape(name) + " 的值无效。</p>");
}

HttpResponse CrossSiteRefusal() {
  return Notice(403, "403", "<p>拒绝来自其他网站的请求。</p><p><a href='/'>回到聊天室入口</a></p>");
}

}  // namespace ravochat::server
