// The libmicrohttpd daemon and the per-request state that gathers a request across the
// library's calls: the first call creates the state (and the form parser of a POST),
// the following ones feed the body, the last one (no more body) answers.
#include "transport/http.h"

#include <arpa/inet.h>
#include <microhttpd.h>
#include <netdb.h>
#include <strings.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "operations/log.h"

namespace ravochat::server {

std::string HttpRequest::Cookie(std::string_view name) const {
  for (const auto& [key, value] : cookies) {
    if (key == name) return value;
  }
  return "";
}

const std::string* HttpRequest::Header(std::string_view name) const {
  for (const auto& [key, value] : headers) {
    if (key.size() == name.size() && strncasecmp(key.data(), name.data(), name.size()) == 0) {
      return &value;
    }
  }
  return nullptr;
}

namespace {

using SteadyClock = std::chrono::steady_clock;

// What one request gathers between the library's calls.
struct RequestState {
  SteadyClock::time_point start = SteadyClock::now();
  MHD_PostProcessor* post = nullptr;
  Fields form;
  std::size_t body_size = 0;
  bool body_too_large = false;

  ~RequestState() {
    if (post != nullptr) MHD_destroy_post_processor(post);
  }
};

MHD_Result CollectValue(void* cls, MHD_ValueKind, const char* key, size_t key_size,
                        const char* value, size_t value_size) {
  auto* fields = static_cast<Fields*>(cls);
  fields->emplace_back(std::string(key, key_size),
                       value == nullptr ? std::string() : std::string(value, value_size));
  return MHD_YES;
}

Fields ConnectionValues(MHD_Connection* connection, MHD_ValueKind kind) {
  Fields fields;
  MHD_get_connection_values_n(connection, kind, &CollectValue, &fields);
  return fields;
}

// The form parser hands a long value over in pieces: `offset` > 0 continues the last one.
MHD_Result CollectFormPiece(void* cls, MHD_ValueKind, const char* key, const char*, const char*,
                            const char*, const char* data, uint64_t offset, size_t size) {
  auto* form = static_cast<Fields*>(cls);
  if (offset == 0 || form->empty() || form->back().first != key) {
    form->emplace_back(key, std::string());
  }
  form->back().second.append(data == nullptr ? "" : data, size);
  return MHD_YES;
}

std::string AddressText(const sockaddr* addr) {
  char text[INET6_ADDRSTRLEN] = {};
  if (addr == nullptr) return "";
  if (addr->sa_family == AF_INET) {
    inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(addr)->sin_addr, text, sizeof text);
  } else if (addr->sa_family == AF_INET6) {
    inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(addr)->sin6_addr, text, sizeof text);
  }
  return text;
}

std::string PeerAddress(MHD_Connection* connection) {
  const MHD_ConnectionInfo* info =
      MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
  return info == nullptr ? "" : AddressText(info->client_addr);
}

std::size_t HeaderBytes(const Fields& headers) {
  std::size_t bytes = 0;
  for (const auto& [name, value] : headers) bytes += name.size() + value.size();
  return bytes;
}

// Request framing that a proxy in front could read otherwise than we do (request
// smuggling): more than one Content-Length, or Content-Length with Transfer-Encoding.
bool AmbiguousFraming(const Fields& headers) {
  int lengths = 0;
  bool encoded = false;
  for (const auto& [name, value] : headers) {
    if (strcasecmp(name.c_str(), MHD_HTTP_HEADER_CONTENT_LENGTH) == 0) ++lengths;
    if (strcasecmp(name.c_str(), MHD_HTTP_HEADER_TRANSFER_ENCODING) == 0) encoded = true;
  }
  return lengths > 1 || (lengths == 1 && encoded);
}

// Queues a plain-text refusal and closes the connection after it: what follows on it
// cannot be trusted to start a new request.
MHD_Result Refuse(MHD_Connection* connection, unsigned status, std::string_view text) {
  MHD_Response* reply = MHD_create_response_from_buffer(text.size(), const_cast<char*>(text.data()),
                                                        MHD_RESPMEM_MUST_COPY);
  if (reply == nullptr) return MHD_NO;
  MHD_add_response_header(reply, MHD_HTTP_HEADER_CONTENT_TYPE, "text/plain");
  MHD_add_response_header(reply, MHD_HTTP_HEADER_CONNECTION, "close");
  const MHD_Result queued = MHD_queue_response(connection, status, reply);
  MHD_destroy_response(reply);
  return queued;
}

std::string_view PathOf(const char* url) {
  std::string_view path = url;
  return path.substr(0, path.find('?'));
}

}  // namespace

// Binds a stream to its connection for as long as the library holds the response: feeds the
// library's reads from the stream and parks the connection while the stream has nothing.
struct StreamGlue {
  std::shared_ptr<HttpStream> stream;
  HttpServer::Impl* impl = nullptr;
  MHD_Connection* connection = nullptr;
  std::string out;  // pulled, not yet handed to the library from `sent` on
  std::size_t sent = 0;
  bool last = false;  // the stream ends after `out`
  bool first = true;  // nothing pulled yet

  // Attaches the stream to `connection`, where its response was just queued.
  void Attach(MHD_Connection* queued_on);
  // The library's content reader: bytes of `out`, a wait, or the end.
  static ssize_t Read(void* cls, uint64_t, char* buf, size_t max);
  // The library is done with the response: the connection is gone.
  static void Free(void* cls);

 private:
  // Pulls the next piece into `out`; false when the connection should wait (it is parked).
  bool Refill();
  // Suspends the connection until the stream is woken; false. Holds the stream's mutex.
  bool Park();
};

struct HttpServer::Impl {
  HttpConfig config;
  HttpHandler handler;
  MHD_Daemon* daemon = nullptr;
  std::mutex open_mutex;
  std::unordered_map<std::string, unsigned> open_per_address;  // limited addresses only
  std::mutex streams_mutex;
  std::unordered_set<StreamGlue*> streams;  // every stream whose response is queued

  // Whether connections from `address` are counted against the per-address limit.
  bool Limited(const std::string& address) const {
    return config.connections_per_address > 0 && !(config.unlimited && config.unlimited(address));
  }

  MHD_Result Answer(MHD_Connection* connection, const char* url, const char* method,
                    RequestState& state);
  // The library's response to send `response`, and for a stream the glue that it owns; a null
  // response when the library could not make one.
  struct Reply {
    MHD_Response* response;
    StreamGlue* glue;
  };
  Reply MakeReply(const HttpResponse& response);
  HttpResponse Handle(const HttpRequest& request);
  void Log(const char* method, const char* url, int status, const RequestState& state) const;
};

HttpResponse HttpServer::Impl::Handle(const HttpRequest& request) {
  try {
    return handler(request);
  } catch (...) {
    HttpResponse response;
    response.status = 500;
    response.content_type = "text/plain";
    response.body = "500 Internal Server Error\n";
    return response;
  }
}

void HttpServer::Impl::Log(const char* method, const char* url, int status,
                           const RequestState& state) const {
  if (!config.access_log) return;
  const auto micros =
      std::chrono::duration_cast<std::chrono::microseconds>(SteadyClock::now() - state.start)
          .count();
  std::string line = method;
  line.append(" ").append(EscapeLogText(PathOf(url))).append(" ").append(std::to_string(status));
  line.append(" ").append(std::to_string(micros)).append("us");
  config.access_log(line);
}

MHD_Result HttpServer::Impl::Answer(MHD_Connection* connection, const char* url, const char* method,
                                    RequestState& state) {
  HttpResponse response;
  if (state.body_too_large) {
    response.status = MHD_HTTP_CONTENT_TOO_LARGE;
    response.content_type = "text/plain";
    response.body = "413 Request body too large\n";
  } else {
    HttpRequest request;
    request.method = method;
    request.path = std::string(PathOf(url));
    request.query = ConnectionValues(connection, MHD_GET_ARGUMENT_KIND);
    request.headers = ConnectionValues(connection, MHD_HEADER_KIND);
    request.cookies = ConnectionValues(connection, MHD_COOKIE_KIND);
    request.form = std::move(state.form);
    request.peer_address = PeerAddress(connection);
    response = Handle(request);
  }
  const auto [reply, glue] = MakeReply(response);
  if (reply == nullptr) return MHD_NO;
  MHD_add_response_header(reply, MHD_HTTP_HEADER_CONTENT_TYPE, response.content_type.c_str());
  for (const auto& [name, value] : response.headers) {
    MHD_add_response_header(reply, name.c_str(), value.c_str());
  }
  const MHD_Result queued =
      MHD_queue_response(connection, static_cast<unsigned>(response.status), reply);
  if (glue != nullptr && queued == MHD_YES) glue->Attach(connection);
  MHD_destroy_response(reply);
  Log(method, url, response.status, state);
  return queued;
}

HttpServer::Impl::Reply HttpServer::Impl::MakeReply(const HttpResponse& response) {
  if (response.stream) {
    auto glue = std::make_unique<StreamGlue>();
    glue->stream = response.stream;
    glue->impl = this;
    // A stream of unknown length goes out in chunks read straight into the connection's
    // memory; the response's own block is never filled, so it is kept small: every open
    // channel holds one.
    MHD_Response* reply = MHD_create_response_from_callback(
        MHD_SIZE_UNKNOWN, 256, &StreamGlue::Read, glue.get(), &StreamGlue::Free);
    if (reply == nullptr) return {nullptr, nullptr};
    return {reply, glue.release()};  // owned by the response from here: Free deletes it
  }
  const std::string& body =
      response.persistent_body != nullptr ? *response.persistent_body : response.body;
  MHD_Response* reply = MHD_create_response_from_buffer(
      body.size(), const_cast<char*>(body.data()),
      response.persistent_body != nullptr ? MHD_RESPMEM_PERSISTENT : MHD_RESPMEM_MUST_COPY);
  return {reply, nullptr};
}

void HttpStream::Wake() {
  std::lock_guard lock(mutex_);
  Resume();
}

void HttpStream::Probe() {
  std::lock_guard lock(mutex_);
  probed_ = true;
  Resume();
}

void HttpStream::Resume() {
  woken_ = true;
  if (waiting_ && !closed_) {
    waiting_ = false;
    MHD_resume_connection(static_cast<MHD_Connection*>(connection_));
  }
}

void HttpStream::Close() {
  std::lock_guard lock(mutex_);
  closed_ = true;
  if (waiting_) {
    waiting_ = false;
    MHD_resume_connection(static_cast<MHD_Connection*>(connection_));
  }
}

namespace {

// True when the client has closed its side: a parked connection notices nothing by itself.
bool PeerClosed(MHD_Connection* connection) {
  const MHD_ConnectionInfo* info =
      MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
  if (info == nullptr) return true;
  char byte = 0;
  const ssize_t got = recv(info->connect_fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
  return got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
}

}  // namespace

void StreamGlue::Attach(MHD_Connection* queued_on) {
  connection = queued_on;
  {
    std::lock_guard lock(stream->mutex_);
    stream->connection_ = queued_on;
  }
  std::lock_guard lock(impl->streams_mutex);
  impl->streams.insert(this);
}

bool StreamGlue::Refill() {
  HttpStream& s = *stream;
  out.clear();
  sent = 0;
  bool probe = false;
  {
    std::lock_guard lock(s.mutex_);
    if (s.closed_) return last = true;
    // What the last pull gave is sent (the library asks for more only then): unless woken
    // since, there is nothing new to pull.
    if (!first && !s.woken_) return Park();
    s.woken_ = false;
    probe = std::exchange(s.probed_, false);
  }
  first = false;
  if (probe && PeerClosed(connection)) return last = true;
  last = !s.Pull(out);
  if (!out.empty() || last) return true;
  std::lock_guard lock(s.mutex_);
  if (s.closed_ || s.woken_) return true;  // pulled again at once
  return Park();
}

bool StreamGlue::Park() {
  stream->waiting_ = true;
  MHD_suspend_connection(connection);
  return false;
}

ssize_t StreamGlue::Read(void* cls, uint64_t, char* buf, size_t max) {
  auto& glue = *static_cast<StreamGlue*>(cls);
  while (glue.sent == glue.out.size()) {
    if (glue.last) return MHD_CONTENT_READER_END_OF_STREAM;
    if (!glue.Refill()) return 0;
  }
  const std::size_t n = std::min(max, glue.out.size() - glue.sent);
  std::memcpy(buf, glue.out.data() + glue.sent, n);
  glue.sent += n;
  return static_cast<ssize_t>(n);
}

void StreamGlue::Free(void* cls) {
  std::unique_ptr<StreamGlue> glue(static_cast<StreamGlue*>(cls));
  if (glue->connection != nullptr) {
    std::lock_guard lock(glue->impl->streams_mutex);
    glue->impl->streams.erase(glue.get());
  }
  {
    std::lock_guard lock(glue->stream->mutex_);
    glue->stream->connection_ = nullptr;
    glue->stream->closed_ = true;
    glue->stream->waiting_ = false;
  }
  glue->stream->Gone();
}

namespace {

MHD_Result OnRequest(void* cls, MHD_Connection* connection, const char* url, const char* method,
                     const char*, const char* upload_data, size_t* upload_data_size,
                     void** request_cls) {
  auto* impl = static_cast<HttpServer::Impl*>(cls);
  if (*request_cls == nullptr) {
    const Fields headers = ConnectionValues(connection, MHD_HEADER_KIND);
    if (HeaderBytes(headers) > impl->config.max_header_bytes) {
      return Refuse(connection, MHD_HTTP_REQUEST_HEADER_FIELDS_TOO_LARGE,
                    "431 Request header fields too large\n");
    }
    if (AmbiguousFraming(headers)) {
      return Refuse(connection, MHD_HTTP_BAD_REQUEST, "400 Ambiguous request length\n");
    }
    auto state = std::make_unique<RequestState>();
    if (std::strcmp(method, MHD_HTTP_METHOD_POST) == 0) {
      // Null for a body that is not a form; such a body is read and ignored.
      state->post = MHD_create_post_processor(connection, 4096, &CollectFormPiece, &state->form);
    }
    *request_cls = state.release();
    return MHD_YES;
  }
  auto& state = *static_cast<RequestState*>(*request_cls);
  if (*upload_data_size != 0) {
    state.body_size += *upload_data_size;
    if (state.body_size > impl->config.max_body) state.body_too_large = true;
    if (!state.body_too_large && state.post != nullptr) {
      MHD_post_process(state.post, upload_data, *upload_data_size);
    }
    *upload_data_size = 0;
    return MHD_YES;
  }
  return impl->Answer(connection, url, method, state);
}

// Admits a connection unless its address already holds the most it may.
MHD_Result Admit(void* cls, const sockaddr* addr, socklen_t) {
  auto* impl = static_cast<HttpServer::Impl*>(cls);
  const std::string address = AddressText(addr);
  if (!impl->Limited(address)) return MHD_YES;
  std::lock_guard lock(impl->open_mutex);
  unsigned& open = impl->open_per_address[address];
  if (open >= impl->config.connections_per_address) return MHD_NO;
  ++open;
  return MHD_YES;
}

void OnConnection(void* cls, MHD_Connection* connection, void**,
                  MHD_ConnectionNotificationCode code) {
  auto* impl = static_cast<HttpServer::Impl*>(cls);
  if (code != MHD_CONNECTION_NOTIFY_CLOSED) return;
  const std::string address = PeerAddress(connection);
  if (!impl->Limited(address)) return;
  std::lock_guard lock(impl->open_mutex);
  auto it = impl->open_per_address.find(address);
  if (it != impl->open_per_address.end() && --it->second == 0) impl->open_per_address.erase(it);
}

void OnCompleted(void*, MHD_Connection*, void** request_cls, MHD_RequestTerminationCode) {
  std::unique_ptr<RequestState> state(static_cast<RequestState*>(*request_cls));
  *request_cls = nullptr;
}

// The socket address of `host` and `port`; throws HttpError for an unknown host.
sockaddr_storage ResolveAddress(const std::string& host, std::uint16_t port, bool& ipv6) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
    throw HttpError("cannot resolve the address " + host);
  }
  sockaddr_storage address{};
  std::memcpy(&address, found->ai_addr, found->ai_addrlen);
  ipv6 = found->ai_family == AF_INET6;
  freeaddrinfo(found);
  if (ipv6) {
    reinterpret_cast<sockaddr_in6*>(&address)->sin6_port = htons(port);
  } else {
    reinterpret_cast<sockaddr_in*>(&address)->sin_port = htons(port);
  }
  return address;
}

}  // namespace

HttpServer::HttpServer(const HttpConfig& config, HttpHandler handler)
    : impl_(std::make_unique<Impl>()) {
  impl_->config = config;
  impl_->handler = std::move(handler);
  bool ipv6 = false;
  sockaddr_storage address = ResolveAddress(config.host, config.port, ipv6);
  unsigned flags = MHD_USE_EPOLL_INTERNAL_THREAD | MHD_USE_ERROR_LOG | MHD_ALLOW_SUSPEND_RESUME;
  if (ipv6) flags |= MHD_USE_IPv6;
  impl_->daemon =
      MHD_start_daemon(flags, config.port, &Admit, impl_.get(), &OnRequest, impl_.get(),  //
                       MHD_OPTION_SOCK_ADDR, reinterpret_cast<sockaddr*>(&address),       //
                       MHD_OPTION_THREAD_POOL_SIZE, config.threads > 1 ? config.threads : 0u,
                       MHD_OPTION_CONNECTION_LIMIT, config.connection_limit,          //
                       MHD_OPTION_CONNECTION_TIMEOUT, config.idle_timeout_seconds,    //
                       MHD_OPTION_LISTEN_BACKLOG_SIZE, config.listen_backlog,         //
                       MHD_OPTION_CONNECTION_MEMORY_LIMIT, config.connection_memory,  //
                       MHD_OPTION_NOTIFY_COMPLETED, &OnCompleted, nullptr,            //
                       MHD_OPTION_NOTIFY_CONNECTION, &OnConnection, impl_.get(),      //
                       MHD_OPTION_END);
  if (impl_->daemon == nullptr) {
    throw HttpError("cannot listen on " + config.host + ":" + std::to_string(config.port));
  }
}

HttpServer::~HttpServer() {
  // The library may not stop while a connection is parked: every stream ends first.
  std::vector<std::shared_ptr<HttpStream>> open;
  {
    std::lock_guard lock(impl_->streams_mutex);
    for (StreamGlue* glue : impl_->streams) open.push_back(glue->stream);
  }
  for (const auto& stream : open) stream->Close();
  MHD_stop_daemon(impl_->daemon);
}

std::uint16_t HttpServer::port() const {
  const MHD_DaemonInfo* info = MHD_get_daemon_info(impl_->daemon, MHD_DAEMON_INFO_BIND_PORT);
  return info == nullptr ? 0 : info->port;
}

}  // namespace ravochat::server

namespace ravochat::server {

unsigned HttpServer::open_connections() const {
  const MHD_DaemonInfo* info =
      MHD_get_daemon_info(impl_->daemon, MHD_DAEMON_INFO_CURRENT_CONNECTIONS);
  return info == nullptr ? 0 : info->num_connections;
}

}  // namespace ravochat::server
