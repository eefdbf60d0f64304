// Start-up (database, chats, site, HTTP) and the routing of every request: the first
// path segment may name a chat; the rest names a page of that chat or a site file.
#include "chat_server.h"

#include <chrono>
#include <filesystem>

#include "operations/log.h"
#include "page.h"
#include "pages.h"
#include "ravochat/database.h"
#include "ravochat/error.h"
#include "ravochat/lumochat.h"
#include "ravochat/monitoring.h"
#include "ravochat/snapshot.h"
#include "transport/cross_site.h"
#include "transport/request_adapter.h"

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
  lumochat chat(clock);
  chat.ConstStr = prefix;
  chat.OpenChat(app, db);
}

// The pages counted apart: every routed page, site files and the metrics themselves.
std::vector<std::string_view> MetricPages() {
  std::vector<std::string_view> pages = PageNames();
  pages.push_back("static");
  pages.push_back("metrics");
  return pages;
}

// The sessions of one kind ("visitor", "admin") of chat `prefix`: in `shared`, or in memory.
std::unique_ptr<SessionStore> MakeSessionStore(const std::string& prefix, std::string_view kind,
                                               const Clock& clock, SharedState* shared) {
  if (shared == nullptr) return std::make_unique<MemorySessionStore>(clock);
  return std::make_unique<SharedSessionStore>(shared->Sessions(prefix, kind));
}

}  // namespace

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

Chat::Chat(std::string prefix_in, const Clock& clock, SharedState* shared)
    : prefix(std::move(prefix_in)),
      cookie_name(prefix.empty() ? "ravochat" : "ravochat_" + prefix),
      sessions(MakeSessionStore(prefix, "visitor", clock, shared)),
      admin_cookie_name(cookie_name + "_admin"),
      admin_sessions(MakeSessionStore(prefix, "admin", clock, shared)) {}

Services::Services(const Options& options, const Clock& clock_in, LogSink log_in)
    : shared(options.state.empty() ? nullptr
                                   : std::make_unique<SharedState>(options.state, options.chats)),
      app(shared ? shared->application() : memory_app),
      clock(clock_in),
      site(options.site),
      admin_token(options.admin_token),
      trusted_proxies(options.trusted_proxies),
      db(options.db),
      metrics(MetricPages()),
      log(log_in),
      channels(*this, options.max_channels, std::chrono::seconds(15)) {}

ChatServer::ChatServer(const Options& options, const Clock& clock, LogSink log, LogSink access_log)
    : services_(options, clock, std::move(log)) {
  db::EnsureDatabase(options.db);
  StoreSettings(options.db, options.settings, clock);
  SharedState* shared = services_.shared.get();
  for (const std::string& prefix : options.chats) {
    const auto load = [&] { LoadChat(services_.app, prefix, options.db, clock); };
    if (shared != nullptr) {
      shared->Join(prefix, load);
    } else {
      load();
    }
    chats_.push_back(std::make_unique<Chat>(prefix, clock, shared));
    if (shared != nullptr) watches_.push_back(WatchOtherServers(*chats_.back()));
  }
  if (shared == nullptr) RestoreState();
  HttpConfig config;
  config.host = options.host;
  config.port = options.port;
  config.threads = options.threads;
  config.connections_per_address = options.connections_per_address;
  config.unlimited = [this](std::string_view address) {
    return services_.trusted_proxies.Trusts(address);
  };
  config.access_log = std::move(access_log);
  http_ = std::make_unique<HttpServer>(
      config, [this](const HttpRequest& request) { return Handle(request); });
  serving_ = http_.get();
}

std::unique_ptr<ChangeWatch> ChatServer::WatchOtherServers(Chat& chat) {
  return services_.shared->Watch(chat.prefix, [this, &chat] {
    try {
      services_.channels.NoticeLines(chat);
    } catch (const std::exception& e) {
      Report(services_.log, "error noticing the lines of chat '" + chat.prefix +
                                "' stored by another server: " + e.what());
    }
  });
}

ChatServer::~ChatServer() { StopServing(); }

void ChatServer::StopServing() {
  watches_.clear();
  serving_ = nullptr;
  http_.reset();
}

void ChatServer::RestoreState() {
  try {
    const std::optional<Snapshot> snapshot =
        TakeSnapshot(services_.db, services_.clock, lumochat::kIdleSeconds);
    if (!snapshot) return;
    std::size_t chats = 0, sessions = 0;
    RestoredChat restored;
    for (auto& chat : chats_) {
      auto saved = snapshot->chats.find(chat->prefix);
      if (saved == snapshot->chats.end()) continue;
      const RestoredChat one =
          RestoreChat(services_.app, chat->prefix, saved->second, services_.clock);
      restored.visitors += one.visitors;
      restored.moved += one.moved;
      sessions += chat->sessions->Restore(snapshot->sessions, chat->prefix);
      ++chats;
    }
    Report(services_.log, "ravochat-server: took back the state saved at the last stop (chats: " +
                              std::to_string(chats) + ", sessions: " + std::to_string(sessions) +
                              ", visitors: " + std::to_string(restored.visitors) +
                              ", moved out of rooms that no longer exist: " +
                              std::to_string(restored.moved) + ")");
  } catch (const Error& e) {
    Report(services_.log, std::string("ravochat-server: state snapshot ignored: ") + e.what());
  }
}

void ChatServer::Stop() {
  StopServing();
  if (services_.shared) return;  // the state stays in Redis
  try {
    Snapshot snapshot;
    for (auto& chat : chats_) {
      snapshot.chats[chat->prefix] = CaptureChat(services_.app, chat->prefix);
      std::vector<SavedSession> sessions = chat->sessions->Save(chat->prefix);
      snapshot.sessions.insert(snapshot.sessions.end(), sessions.begin(), sessions.end());
    }
    SaveSnapshot(services_.db, services_.clock, snapshot);
    Report(services_.log, "ravochat-server: saved the state for the next start (chats: " +
                              std::to_string(chats_.size()) +
                              ", sessions: " + std::to_string(snapshot.sessions.size()) + ")");
  } catch (const std::exception& e) {
    Report(services_.log, std::string("ravochat-server: state not saved: ") + e.what());
  }
}

std::uint16_t ChatServer::port() const { return http_->port(); }

Chat* ChatServer::FindChat(std::string_view prefix) {
  for (auto& chat : chats_) {
    if (chat->prefix == prefix) return chat.get();
  }
  return nullptr;
}

HttpResponse ChatServer::Handle(const HttpRequest& request) {
  const auto start = std::chrono::steady_clock::now();
  Routed routed = Route(request);
  services_.metrics.CountRequest(routed.page, routed.response.status,
                                 std::chrono::steady_clock::now() - start);
  return std::move(routed.response);
}

ChatServer::Routed ChatServer::Route(const HttpRequest& request) {
  if (request.path == "/metrics") return {MetricsPage(request), "metrics"};
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
  if (const server::Route* route = FindRoute(rest)) {
    if (ChangesState(request, rest) && IsCrossSite(request)) {
      return {CrossSiteRefusal(), route->name};
    }
    try {
      Page page(services_, *chat, request);
      Routed routed{route->handler(page), route->name};
      ThrowStoreFailure();
      // A poll stores no line; any other page may have.
      if (route->handler != &pages::Refresh && route->handler != &pages::Channel) {
        services_.channels.NoticeLines(*chat);
      }
      return routed;
    } catch (const std::exception& e) {
      TakeStoreFailure();  // the page failed anyway
      if (dynamic_cast<const DatabaseError*>(&e) != nullptr) {
        services_.metrics.CountDatabaseError();
      }
      Report(services_.log, "error " + request.method + " " + request.path + ": " + e.what());
      return {ServerError(), route->name};
    }
  }
  if (const SiteFiles::File* file = services_.site.Find("/" + std::string(rest))) {
    HttpResponse response;
    response.content_type = file->content_type;
    response.persistent_body = &file->bytes;
    response.headers.emplace_back("Cache-Control", "no-cache");
    return {std::move(response), "static"};
  }
  return {NotFound(), "other"};
}

HttpResponse ChatServer::MetricsPage(const HttpRequest& request) {
  const Origin origin = RequestOrigin(request, services_.trusted_proxies);
  if (!IsLoopback(origin.address) && !services_.trusted_proxies.Trusts(origin.address)) {
    return NotFound();
  }
  std::vector<ChatGauges> gauges;
  for (const auto& chat : chats_) {
    const ChatStatus status = ReadChatStatus(services_.app, chat->prefix);
    ChatGauges& chat_gauges = gauges.emplace_back();
    chat_gauges.chat = chat->prefix;
    chat_gauges.visitors_online = status.visitors_online;
    chat_gauges.newest_message = status.newest_message;
    if (services_.shared) {
      chat_gauges.lock_held_seconds =
          std::chrono::duration<double>(services_.shared->LockHeld(chat->prefix)).count();
    }
  }
  const HttpServer* http = serving_;
  HttpResponse response;
  response.content_type = "text/plain; version=0.0.4; charset=utf-8";
  response.body = services_.metrics.Render(gauges, http != nullptr ? http->open_connections() : 0,
                                           services_.channels.open());
  return response;
}

void ChatServer::Sweep() {
  for (auto& chat : chats_) {
    try {
      // Once a minute for all processes: the lease lasts a little less than the period.
      if (services_.shared &&
          !services_.shared->TakeLease(chat->prefix, "sweep", std::chrono::seconds(50))) {
        continue;
      }
      lumochat component(services_.clock);
      component.ConstStr = chat->prefix;
      ForgetInSessions(*chat->sessions, component.SweepIdle(services_.app));
      chat->sessions->Expire();
      chat->admin_sessions->Expire();
      component.FinishHourlyWork(services_.app);
      ThrowStoreFailure();
      services_.channels.NoticeLines(*chat);
    } catch (const std::exception& e) {
      Report(services_.log, "error in the idle sweep of chat '" + chat->prefix + "': " + e.what());
    }
  }
}

}  // namespace ravochat::server
