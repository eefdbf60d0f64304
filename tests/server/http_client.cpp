// The test client: blocking sockets, Content-Length framing.
#include "server/http_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

#include "core/strings.h"
#include "text/gbk.h"

namespace ravochat::testing {

std::string HttpReply::Header(std::string_view name) const {
  for (const auto& [key, value] : headers) {
    if (strings::EqualsIgnoreCase(key, name)) return value;
  }
  return "";
}

HttpClient::HttpClient(std::uint16_t port) {
  socket_ = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (socket_ < 0 ||
      ::connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    throw std::runtime_error("cannot connect to port " + std::to_string(port));
  }
}

HttpClient::~HttpClient() {
  if (socket_ >= 0) ::close(socket_);
}

HttpReply HttpClient::Get(std::string_view target, const std::vector<std::string>& extra) {
  std::string request = "GET " + std::string(target) + " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
  for (const auto& line : extra) request += line + "\r\n";
  return Exchange(request + "\r\n");
}

HttpReply HttpClient::Post(std::string_view target, std::string_view body,
                           const std::vector<std::string>& extra) {
  std::string request = "POST " + std::string(target) + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" +
                        "Content-Type: application/x-www-form-urlencoded\r\n" +
                        "Content-Length: " + std::to_string(body.size()) + "\r\n";
  for (const auto& line : extra) request += line + "\r\n";
  return Exchange(request + "\r\n" + std::string(body));
}

std::string HttpClient::ReadMore() {
  char chunk[16384];
  const ssize_t got = ::recv(socket_, chunk, sizeof chunk, 0);
  if (got <= 0) throw std::runtime_error("the server closed the connection");
  return std::string(chunk, static_cast<std::size_t>(got));
}

HttpReply HttpClient::Exchange(const std::string& request) {
  if (::send(socket_, request.data(), request.size(), MSG_NOSIGNAL) !=
      static_cast<ssize_t>(request.size())) {
    throw std::runtime_error("cannot send the request");
  }
  std::size_t head_end;
  while ((head_end = buffer_.find("\r\n\r\n")) == std::string::npos) buffer_ += ReadMore();
  HttpReply reply;
  const std::vector<std::string> lines = strings::Split(buffer_.substr(0, head_end), "\r\n");
  reply.status = std::stoi(lines.at(0).substr(9, 3));
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const auto colon = lines[i].find(':');
    reply.headers.emplace_back(lines[i].substr(0, colon),
                               strings::Trim(lines[i].substr(colon + 1)));
  }
  const std::string length = reply.Header("Content-Length");
  const std::size_t size = length.empty() ? 0 : std::stoul(length);
  while (buffer_.size() < head_end + 4 + size) buffer_ += ReadMore();
  reply.body = buffer_.substr(head_end + 4, size);
  buffer_.erase(0, head_end + 4 + size);
  return reply;
}

std::string GbkForm(const std::vector<std::pair<std::string, std::string>>& fields) {
  auto encode = [](std::string_view utf8) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text::Utf8ToGbk(utf8)) {
      if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
          c == '_' || c == '.') {
        out.push_back(static_cast<char>(c));
      } else {
        out += '%';
        out += kHex[c >> 4];
        out += kHex[c & 15];
      }
    }
    return out;
  };
  std::string body;
  for (const auto& [name, value] : fields) {
    if (!body.empty()) body += '&';
    body += encode(name) + "=" + encode(value);
  }
  return body;
}

std::string CookieOf(const HttpReply& reply) {
  const std::string cookie = reply.Header("Set-Cookie");
  return cookie.substr(0, cookie.find(';'));
}

}  // namespace ravochat::testing
