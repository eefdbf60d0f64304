// The context of one page request: its chat, the visitor's session and request as the
// component sees them, a component object for the page's one operation, and the ways a
// page answers (every page goes out as GBK).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "chat_server.h"
#include "ravochat/lumochat.h"
#include "transport/http.h"
#include "transport/trusted_proxy.h"

namespace ravochat::server {

class Page {
 public:
  Page(Services& services, Chat& chat, const HttpRequest& http);

  const HttpRequest& http() const { return http_; }
  // Where the request came from, behind the trusted proxies.
  const Origin& origin() const { return origin_; }
  Chat& chat() { return chat_; }
  Services& services() { return services_; }
  Application& app() { return services_.app; }
  Request& request();
  // The request item `name` as text ("" when absent).
  std::string Item(std::string_view name);

  // The visitor's session; a fresh one that is kept nowhere when he has none.
  Session& session();
  // Starts a new session for the visitor (its cookie goes out with the answer) and
  // returns it; the old session stays until KeepNewSession or DropNewSession.
  Session& StartNewSession();
  // Makes the new session the visitor's and forgets the old one.
  void KeepNewSession();
  // Forgets the new session; the visitor keeps his old one.
  void DropNewSession();

  // The operator's session on the administration site, behind a cookie of its own. When he
  // has none: with `keep`, a new one whose cookie goes out with the answer, else a fresh one
  // kept nowhere.
  Session& admin_session(bool keep = false);
  // Starts a new operator session (its cookie goes out with the answer) and forgets the old.
  Session& StartAdminSession();
  // Forgets the operator's session.
  void EndAdminSession();

  // A component of this page's chat.
  lumochat& component();

  // An HTML page of `utf8` text, sent as GBK and never cached.
  HttpResponse Html(std::string_view utf8, int status = 200);

 private:
  Services& services_;
  Chat& chat_;
  const HttpRequest& http_;
  Origin origin_;
  std::optional<MemoryRequest> request_;
  std::shared_ptr<Session> session_;
  std::string new_session_id_;
  std::shared_ptr<Session> new_session_;
  std::shared_ptr<Session> admin_session_;
  std::string new_admin_session_id_;
  std::unique_ptr<lumochat> component_;
};

using PageHandler = HttpResponse (*)(Page& page);

struct Route {
  std::string_view name;
  PageHandler handler;
};

// The route of the page `name` ("refresh.asp", "admin/rooms.asp"; ASCII case ignored),
// or null.
const Route* FindRoute(std::string_view name);

// The name of every page, in the routing table's order.
std::vector<std::string_view> PageNames();

// The answer for a path that names nothing.
HttpResponse NotFound();
// The answer for a page whose operation failed.
HttpResponse ServerError();
// The answer for a request whose item `name` holds no value the page can use (400).
HttpResponse BadRequest(std::string_view name);
// The answer for a state-changing request that another site made (403).
HttpResponse CrossSiteRefusal();

}  // namespace ravochat::server
