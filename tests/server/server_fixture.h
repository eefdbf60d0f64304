// A ravochat-server running in-process on a free loopback port, and a small HTTP/1.1 client:
// one connection, requests sent as written, answers read by Content-Length.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "gtest/gtest.h"
#include "server/chat_server.h"
#include "support/chat_fixture.h"
#include "text/gbk.h"

namespace ravochat::testing {

struct HttpReply {
  int status = 0;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;

  // The first header `name` (ASCII case ignored), "" when absent.
  std::string Header(std::string_view name) const;
};

class HttpClient {
 public:
  // Connects to 127.0.0.1:`port`. This and every request throw std::runtime_error.
  explicit HttpClient(std::uint16_t port);
  ~HttpClient();
  HttpClient(const HttpClient&) = delete;
  HttpClient& operator=(const HttpClient&) = delete;

  // Each sends one request with `headers` ("Name: value" lines) and reads its answer.
  HttpReply Get(std::string_view target, const std::vector<std::string>& headers = {});
  HttpReply Post(std::string_view target, std::string_view form,
                 const std::vector<std::string>& headers = {});
  // Sends a GET whose answer is a stream, to be read with ReadUntil.
  void Open(std::string_view target, const std::vector<std::string>& headers = {});
  // Everything read up to the end of `text`; "" when the server closes first. Throws after 10 s.
  std::string ReadUntil(std::string_view text);

 private:
  // Reads the answer to the request sent last.
  HttpReply ReadReply();
  void Write(std::string request, const std::vector<std::string>& headers, std::string_view body);
  // Appends what came next to the buffer; false when the server closed the connection.
  bool ReadMore();

  int socket_ = -1;
  std::string buffer_;
};

// Posts the login form (room 1) at `port`.
HttpReply LogInAt(std::uint16_t port, const std::string& name, const std::string& password);
// The "Cookie: ..." header line of the session `reply` sets, "" when it sets none.
std::string CookieLineOf(const HttpReply& reply);
// The "Cookie: ..." header line of a successful login at `port`; a failure when refused.
std::string CookieLineAt(std::uint16_t port, const std::string& name, const std::string& password);
// Posts `line` to everybody as the visitor of `cookie`; returns the answer's body.
std::string SayAt(std::uint16_t port, const std::string& cookie, const std::string& line);

// Runs on each backend (INSTANTIATE_TEST_SUITE_P with kBothBackends); the database starts
// empty and the server makes its tables and default rows, as on a first start.
class ServerTest : public ::testing::TestWithParam<Backend> {
 protected:
  ~ServerTest() override { server_.reset(); }  // stops the threads that write the log

  // Starts the server on the temporary database with two threads and `args`.
  void Start(std::vector<std::string> args = {});
  std::unique_ptr<HttpClient> Client() { return std::make_unique<HttpClient>(server_->port()); }
  HttpReply LogIn(const std::string& name, const std::string& password) {
    return LogInAt(server_->port(), name, password);
  }
  std::string CookieLine(const std::string& name, const std::string& password) {
    return CookieLineAt(server_->port(), name, password);
  }
  std::string Say(const std::string& cookie, const std::string& line) {
    return SayAt(server_->port(), cookie, line);
  }
  // The answer to a poll (refresh.asp) of the visitor of `cookie`.
  std::string Poll(const std::string& cookie) {
    return Client()->Get("/refresh.asp", {cookie}).body;
  }
  // The form token of the page `target` for `cookie`; "" and a failure when it has none.
  std::string FormToken(const std::string& cookie, std::string_view target);
  // The application value `name` (with its chat's prefix) as text.
  std::string AppText(std::string_view name);
  std::vector<std::string> ErrorLines();

  std::unique_ptr<TempDatabase> db_ =
      std::make_unique<TempDatabase>(false, ReachableBackend(GetParam()), false);
  ManualClock clock_{FixtureStart()};
  std::unique_ptr<server::ChatServer> server_;

 private:
  std::mutex log_mutex_;
  std::vector<std::string> error_lines_;
};

// Runs on SQLite only: the cases that do not depend on the database, and SQLite's own backup.
class SqliteServerTest : public ServerTest {};

inline bool Has(std::string_view text, std::string_view part) {
  return text.find(part) != text.npos;
}
inline std::string Gbk(std::string_view utf8) { return text::Utf8ToGbk(utf8); }

// A form body as a browser sends it from a gb2312 page: values in GBK, percent-encoded.
std::string GbkForm(const std::vector<std::pair<std::string, std::string>>& fields);

}  // namespace ravochat::testing
