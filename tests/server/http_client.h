// A small HTTP/1.1 client over loopback for the server tests: one connection, requests
// sent as written, answers read by Content-Length. It parses only what the tests need.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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
  // Connects to 127.0.0.1:`port`. Throws std::runtime_error.
  explicit HttpClient(std::uint16_t port);
  ~HttpClient();
  HttpClient(const HttpClient&) = delete;
  HttpClient& operator=(const HttpClient&) = delete;

  // Sends a request with `extra_headers` ("Name: value" lines) and reads the answer on
  // the same connection. Throws std::runtime_error when the connection fails.
  HttpReply Get(std::string_view target, const std::vector<std::string>& extra_headers = {});
  // Posts `body` as an application/x-www-form-urlencoded form.
  HttpReply Post(std::string_view target, std::string_view body,
                 const std::vector<std::string>& extra_headers = {});

 private:
  HttpReply Exchange(const std::string& request);
  std::string ReadMore();

  int socket_ = -1;
  std::string buffer_;
};

// `fields` (UTF-8) as a form body in GBK with percent-encoding, as a browser sends it
// from a gb2312 page: {{"says", "你好"}} -> "says=%C4%E3%BA%C3".
std::string GbkForm(const std::vector<std::pair<std::string, std::string>>& fields);

// The "name=value" of the first Set-Cookie header of `reply`, "" when there is none.
std::string CookieOf(const HttpReply& reply);

}  // namespace ravochat::testing
