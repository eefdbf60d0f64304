// A thin RAII layer over GNU libmicrohttpd. The library does the protocol work
// (keep-alive, query arguments, cookies, form bodies); this layer gathers one complete
// request, hands it to a single handler and queues the handler's answer on the
// library's second call for the request, which keeps keep-alive working.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ravochat::server {

using Fields = std::vector<std::pair<std::string, std::string>>;

// One request as received. Names and values are the bytes sent, percent-decoding
// done; their character set is the client's (GBK for the chat's pages).
struct HttpRequest {
  std::string method;
  std::string path;  // without the query string
  Fields query;
  Fields form;  // an empty form field may be missing: absent and empty mean the same
  Fields headers;
  Fields cookies;
  std::string peer_address;
  // The request came over TLS, directly or through a trusted proxy that says so.
  bool secure = false;

  // The cookie `name`, "" when absent.
  std::string Cookie(std::string_view name) const;
  // The first header `name` (any letter case), or null.
  const std::string* Header(std::string_view name) const;
};

struct StreamGlue;

// A body written over time (an event stream). Between writes its connection waits without a
// thread of its own, until Wake. States: not yet sent (no connection), writing (Pull is being
// called), waiting (suspended until Wake), ended (the connection is gone or Close was called).
class HttpStream {
 public:
  virtual ~HttpStream() = default;
  // Called on a pool thread whenever the connection can take more: appends to `out` what to
  // send now. Nothing appended makes the connection wait for Wake; false ends the stream
  // after `out`. Must not throw.
  virtual bool Pull(std::string& out) = 0;
  // Called once when the connection of the stream is gone, whatever ended it.
  virtual void Gone() {}

  // Has Pull called again soon; from any thread, at any time (does nothing once ended).
  void Wake();
  // Wake, and end the stream instead when the client has closed its side: a waiting
  // connection notices nothing by itself, so a stream probed now and then frees its
  // connection soon after the client vanished.
  void Probe();
  // Ends the stream: a waiting connection ends at once, a writing one after its write.
  void Close();

 private:
  friend struct StreamGlue;
  // Marks the stream woken and resumes a waiting connection; holds mutex_.
  void Resume();
  std::mutex mutex_;
  void* connection_ = nullptr;  // the library's connection while sent, else null
  bool waiting_ = false;        // suspended by the library
  bool woken_ = false;          // Wake came while writing: pull once more before waiting
  bool probed_ = false;         // Probe came: look at the client before the next pull
  bool closed_ = false;
};

struct HttpResponse {
  int status = 200;
  std::string content_type = "text/html; charset=gb2312";
  std::string body;
  // When set, sent instead of `body`; must outlive the server (cached static files).
  const std::string* persistent_body = nullptr;
  // When set, sent instead of either body, as long as the stream lasts.
  std::shared_ptr<HttpStream> stream;
  Fields headers;
};

// Answers a complete request. Must not throw: an exception that escapes it becomes a
// bare 500 answer.
using HttpHandler = std::function<HttpResponse(const HttpRequest&)>;
// Receives one access-log line per request: method, path, status, microseconds.
using LogSink = std::function<void(std::string_view line)>;

struct HttpConfig {
  std::string host = "127.0.0.1";
  std::uint16_t port = 8080;  // 0 picks a free port
  unsigned threads = 4;
  // The library's default is about 1,000; browsers keep a connection each open.
  unsigned connection_limit = 20000;
  // Connections one client address may hold open at once (further ones are closed as
  // they arrive); 0 for no limit. Never applied to an address `unlimited` holds for: a
  // trusted proxy carries many visitors.
  unsigned connections_per_address = 0;
  std::function<bool(std::string_view address)> unlimited;
  // Idle keep-alive connections are closed after this many seconds (the library's
  // default keeps them forever).
  unsigned idle_timeout_seconds = 45;
  unsigned listen_backlog = 1024;
  // Buffer of one connection: holds the largest header block, the library's copy of its
  // cookies and the answer's header, and a chunk of a posted form (the form parser works
  // incrementally). Nearly all of it stays resident while a connection is open, so it is
  // most of what an open push channel costs. A header block within about 100 bytes of half
  // or all of it leaves the library no room for any answer: it closes the connection.
  std::size_t connection_memory = 16 * 1024;
  // Header names and values beyond this many bytes in all are answered with 431. The
  // library parses cookies into a copy and builds the answer in the same connection
  // memory, so a larger header block could leave no room for any answer.
  std::size_t max_header_bytes = 6 * 1024;
  // A request body beyond this many bytes is answered with 413.
  std::size_t max_body = 64 * 1024;
  LogSink access_log;
};

// The server could not start: the message names the address.
class HttpError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class HttpServer {
 public:
  // Starts listening and serving on the library's thread pool. Throws HttpError.
  HttpServer(const HttpConfig& config, HttpHandler handler);
  // Ends every stream, stops listening and waits for the requests under way.
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  // The port listened on (the one picked when the configuration asked for 0).
  std::uint16_t port() const;
  // The connections open now, over every thread of the pool.
  unsigned open_connections() const;

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace ravochat::server
