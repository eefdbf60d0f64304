// Start-up (database, chats, site, HTTP) and the routing of every request: the first
// path segment may name a chat; the rest names a page of that chat or a site file.
#include "server/chat_server.h"

#include <filesystem>

#include "core/app_keys.h"
#include "ravochat/database.h"
#include "ravochat/error.h"
#include "ravochat/lumochat.h"
#include "server/cross_site.h"
#include "server/log.h"
#include "server/logout.h"
#include "server/page.h"
#include "server/pages.h"

namespace ravochat::server {
namespace {

// Logs `line`, whose values may come from a request, escaped.
void Report(const LogSink& log, const std::string& line) {
  if (log) log(EscapeLogText(line));
}

// Loads the chat of `prefix` from the database at `db`: configuration, rooms, an empty
// ring and nobody online.
void LoadChat(Application& app, const std::string& prefix, const std::string& db,
              const Clock& clock) {
  const std::string connstr_key = app_key::AppKey(prefix, app_key::kConnStr);
  app.Set(connstr_key, Value(db));
  lumochat chat(clock);
  chat.ConstStr = prefix;
  chat.InitGlobal(app);
  // A configuration row may name a connection string of its own; the command line wins.
  app.Set(connstr_key, Value(db));
}

}  // namespace

void EnsureDatabase(const std::string& connstr) {
  namespace fs = std::filesystem;
  std::string_view path = connstr;
  if (path.starts_with("sqlite:")) path.remove_prefix(7);
  if (fs::exists(path)) return;
  const fs::path folder = fs::path(path).parent_path();
  if (!folder.empty()) fs::create_directories(folder);
  db::CreateDatabase(connstr);
}

void StoreSettings(const std::string& connstr,
                   const std::vector<std::pair<std::string, std::string>>& settings,
                   const Clock& clock) {
  if (settings.empty()) return;
  auto conn = db::Connection::Open(connstr, clock);
  for (const auto& [alias, body] : settings) {
    conn->Execute("DELETE FROM sysparam WHERE alias=?", {Value(alias)});
    conn->Execute("INSERT INTO sysparam (alias, body) VALUES (?, ?)", {Value(alias), Value(body)});
  }
}

Chat::Chat(std::string prefix_in, const Clock& clock)
    : prefix(std::move(prefix_in)),
      cookie_name(prefix.empty() ? "ravochat" : "ravochat_" + prefix),
      sessions(clock) {}

Services::Services(const Options& options, const Clock& clock_in, LogSink log_in)
    : clock(clock_in), site(options.site), admin_token(options.admin_token), log(log_in) {}

ChatServer::ChatServer(const Options& options, const Clock& clock, LogSink log, LogSink access_log)
    : services_(options, clock, std::move(log)) {
  EnsureDatabase(options.db);
  StoreSettings(options.db, options.settings, clock);
  for (const std::string& prefix : options.chats) {
    LoadChat(services_.app, prefix, options.db, clock);
    chats_.push_back(std::make_unique<Chat>(prefix, clock));
  }
  HttpConfig config;
  config.host = options.host;
  config.port = options.port;
  config.threads = options.threads;
  config.connections_per_address = options.connections_per_address;
  config.access_log = std::move(access_log);
  http_ = std::make_unique<HttpServer>(
      config, [this](const HttpRequest& request) { return Handle(request); });
}

ChatServer::~ChatServer() { http_.reset(); }

std::uint16_t ChatServer::port() const { return http_->port(); }

Chat* ChatServer::FindChat(std::string_view prefix) {
  for (auto& chat : chats_) {
    if (chat->prefix == prefix) return chat.get();
  }
  return nullptr;
}

HttpResponse ChatServer::Handle(const HttpRequest& request) {
  std::string_view rest = request.path;
  if (rest.starts_with('/')) rest.remove_prefix(1);
  Chat* chat = chats_.front().get();
  const std::size_t slash = rest.find('/');
  if (slash != std::string_view::npos && !rest.substr(0, slash).empty()) {
    if (Chat* named = FindChat(rest.substr(0, slash))) {
      chat = named;
      rest.remove_prefix(slash + 1);
    }
  }
  if (PageHandler handler = FindPage(rest)) {
    if (ChangesState(request, rest) && IsCrossSite(request)) return CrossSiteRefusal();
    try {
      Page page(services_, *chat, request);
      return handler(page);
    } catch (const std::exception& e) {
      Report(services_.log, "error " + request.method + " " + request.path + ": " + e.what());
      return ServerError();
    }
  }
  if (const SiteFiles::File* file = services_.site.Find("/" + std::string(rest))) {
    HttpResponse response;
    response.content_type = file->content_type;
    response.persistent_body = &file->bytes;
    response.headers.emplace_back("Cache-Control", "no-cache");
    return response;
  }
  return NotFound();
}

void ChatServer::Sweep() {
  for (auto& chat : chats_) {
    try {
      ForgetInSessions(chat->sessions, LogOutIdle(services_.app, chat->prefix, services_.clock));
      chat->sessions.Expire();
    } catch (const std::exception& e) {
      Report(services_.log, "error in the idle sweep of chat '" + chat->prefix + "': " + e.what());
    }
  }
}

}  // namespace ravochat::server
