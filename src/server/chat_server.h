// ravochat-server's heart: one application for the process, the chats it hosts (each
// with its prefix, its sessions and its cookie), the static site, and the HTTP server
// that routes every request to a page of its chat or to a file of the site.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "channels.h"
#include "operations/metrics.h"
#include "options.h"
#include "ravochat/clock.h"
#include "ravochat/host.h"
#include "ravochat/shared_state.h"
#include "transport/http.h"
#include "transport/sessions.h"
#include "transport/site_files.h"
#include "transport/trusted_proxy.h"

namespace ravochat::server {

// One chat of the process: its ConstStr, the sessions of its visitors and those of its
// operator on the administration site, each behind a cookie of its own.
struct Chat {
  // The sessions live in `shared`'s Redis, or in memory when it is null.
  Chat(std::string prefix, const Clock& clock, SharedState* shared);
  std::string prefix;
  std::string cookie_name;
  std::unique_ptr<SessionStore> sessions;
  std::string admin_cookie_name;
  std::unique_ptr<SessionStore> admin_sessions;
};

// What every page of every chat shares.
struct Services {
  // Connects to the shared state when the options name one. Throws StateError.
  Services(const Options& options, const Clock& clock, LogSink log);
  // The chats' state and sessions in Redis (--state), or null: all in this process.
  std::unique_ptr<SharedState> shared;
  MemoryApplication memory_app;
  // The shared state's application or memory_app.
  Application& app;
  const Clock& clock;
  SiteFiles site;
  std::string admin_token;
  TrustedProxies trusted_proxies;
  // The database's connection string.
  std::string db;
  Metrics metrics;
  LogSink log;
  // Last: its channels refer to the rest.
  Channels channels;
};

class ChatServer {
 public:
  // Creates the database when its file is missing, loads every chat (InitGlobal) or, with a
  // shared state, joins it (the first process loads it), takes back the state a stop saved
  // when it is younger than the visitors' idle time-out (one that does not load is logged and
  // ignored; a shared state needs none), reads the site and starts listening. Error lines go to
  // `log`, access-log lines to `access_log` (either may be empty). Throws ravochat::Error
  // (database), HttpError, std::runtime_error (site folder).
  ChatServer(const Options& options, const Clock& clock, LogSink log, LogSink access_log);
  ~ChatServer();

  // Stops answering requests, then saves every chat's running state and the sessions to the
  // database for the next start, unless they are in the shared state. A failure is logged, not
  // thrown. Call it once, with the idle sweep stopped; port() may not be asked afterwards.
  void Stop();

  std::uint16_t port() const;
  Application& application() { return services_.app; }
  Channels& channels() { return services_.channels; }

  // Logs out the idle visitors of every chat, forgets expired sessions and finishes hourly
  // work left undone; with a shared state, only the process that takes the chat's sweep
  // lease does. A failure is logged, not thrown: the sweep runs on its own thread.
  void Sweep();

 private:
  // An answer and the page it counts under in the metrics.
  struct Routed {
    HttpResponse response;
    std::string_view page;
  };

  // The chat of `prefix`, or null.
  Chat* FindChat(std::string_view prefix);
  // Stops watching the other servers, then answering requests.
  void StopServing();
  // Wakes the channels of `chat` open here for the lines the other servers store.
  std::unique_ptr<ChangeWatch> WatchOtherServers(Chat& chat);
  // Takes the saved snapshot back into the loaded chats and their session stores.
  void RestoreState();
  HttpResponse Handle(const HttpRequest& request);
  Routed Route(const HttpRequest& request);
  // The metrics page: open to loopback and to the trusted proxies' addresses.
  HttpResponse MetricsPage(const HttpRequest& request);

  Services services_;
  std::vector<std::unique_ptr<Chat>> chats_;
  // With a shared state: the chats watched for lines stored by the other servers, which the
  // channels open here must bring at once.
  std::vector<std::unique_ptr<ChangeWatch>> watches_;
  std::unique_ptr<HttpServer> http_;
  // http_ for the pages: requests may come before http_ is set and while it is reset.
  std::atomic<const HttpServer*> serving_ = nullptr;
};

// Stores every (alias, body) of `settings` as the configuration row of that alias.
// Throws DatabaseError.
void StoreSettings(const std::string& connstr,
                   const std::vector<std::pair<std::string, std::string>>& settings,
                   const Clock& clock);

}  // namespace ravochat::server
