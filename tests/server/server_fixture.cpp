// The in-process server of the server tests and their HTTP client.
#include "server/server_fixture.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <regex>
#include <stdexcept>

#include "core/convert.h"
#include "core/strings.h"

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

HttpReply HttpClient::Get(std::string_view target, const std::vector<std::string>& headers) {
  Open(target, headers);
  return ReadReply();
}

HttpReply HttpClient::Post(std::string_view target, std::string_view form,
                           const std::vector<std::string>& headers) {
  Write("POST " + std::string(target) +
            " HTTP/1.1\r\nContent-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
            std::to_string(form.size()) + "\r\n",
        headers, form);
  return ReadReply();
}

void HttpClient::Open(std::string_view target, const std::vector<std::string>& headers) {
  Write("GET " + std::string(target) + " HTTP/1.1\r\n", headers, "");
}

std::string HttpClient::ReadUntil(std::string_view text) {
  std::size_t found;
  while ((found = buffer_.find(text)) == std::string::npos) {
    pollfd ready{socket_, POLLIN, 0};
    if (::poll(&ready, 1, 10000) != 1) throw std::runtime_error("no " + std::string(text));
    if (!ReadMore()) return "";
  }
  std::string read = buffer_.substr(0, found + text.size());
  buffer_.erase(0, found + text.size());
  return read;
}

void HttpClient::Write(std::string request, const std::vector<std::string>& headers,
                       std::string_view body) {
  request += "Host: 127.0.0.1\r\n";
  for (const auto& line : headers) request += line + "\r\n";
  request.append("\r\n").append(body);
  if (::send(socket_, request.data(), request.size(), MSG_NOSIGNAL) !=
      static_cast<ssize_t>(request.size())) {
    throw std::runtime_error("cannot send the request");
  }
}

bool HttpClient::ReadMore() {
  char chunk[16384];
  const ssize_t got = ::recv(socket_, chunk, sizeof chunk, 0);
  if (got > 0) buffer_.append(chunk, static_cast<std::size_t>(got));
  return got > 0;
}

HttpReply HttpClient::ReadReply() {
  auto read_more = [this] {
    if (!ReadMore()) throw std::runtime_error("the server closed the connection");
  };
  std::size_t head_end;
  while ((head_end = buffer_.find("\r\n\r\n")) == std::string::npos) read_more();
  HttpReply reply;
  const std::vector<std::string> lines = strings::Split(buffer_.substr(0, head_end), "\r\n");
  reply.status = std::stoi(lines.at(0).substr(9, 3));
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const auto colon = lines[i].find(':');
    reply.headers.emplace_back(lines[i].substr(0, colon),
                               strings::Trim(lines[i].substr(colon + 1)));
  }
  const std::string length = reply.Header("Content-Length");
  const std::size_t end = head_end + 4 + (length.empty() ? 0 : std::stoul(length));
  while (buffer_.size() < end) read_more();
  reply.body = buffer_.substr(head_end + 4, end - head_end - 4);
  buffer_.erase(0, end);
  return reply;
}

void ServerTest::Start(std::vector<std::string> args) {
  // The cheapest argon2id for the stored passwords: the tests log in many visitors.
  args.insert(args.begin(), {"--listen", "127.0.0.1:0", "--db", db_->connstr(), "--threads", "2",
                             "--set", "passwordmemory=1", "--set", "passwordpasses=1"});
  auto log = [this](std::string_view line) {
    std::lock_guard lock(log_mutex_);
    error_lines_.emplace_back(line);
  };
  server_ = std::make_unique<server::ChatServer>(server::ParseOptions(args, RAVOCHAT_SITE_DIR),
                                                 clock_, log, nullptr);
}

HttpReply LogInAt(std::uint16_t port, const std::string& name, const std::string& password) {
  return HttpClient(port).Post(
      "/login.asp",
      GbkForm({{"sUserName", name}, {"sPass", password}, {"bSex", "0"}, {"room_id", "1"}}));
}

std::string CookieLineOf(const HttpReply& reply) {
  const std::string cookie = reply.Header("Set-Cookie");
  return cookie.empty() ? "" : "Cookie: " + cookie.substr(0, cookie.find(';'));
}

std::string CookieLineAt(std::uint16_t port, const std::string& name, const std::string& password) {
  const std::string cookie = CookieLineOf(LogInAt(port, name, password));
  EXPECT_NE(cookie, "") << "login of " << name << " refused";
  return cookie.empty() ? "Cookie: " : cookie;
}

std::string SayAt(std::uint16_t port, const std::string& cookie, const std::string& line) {
  const std::string form = GbkForm({{"says", line}, {"towho", "大家"}}) +
                           "&sayscolor=%23000000&addwordcolor=%230000FF&addsays=0&id=0";
  return HttpClient(port).Post("/say.asp", form, {cookie}).body;
}

std::string ServerTest::FormToken(const std::string& cookie, std::string_view target) {
  std::smatch m;
  const std::string page = Client()->Get(target, {cookie}).body;
  EXPECT_TRUE(std::regex_search(page, m, std::regex("name=formtoken value=([0-9a-f]{32})")))
      << target;
  return m.size() > 1 ? m[1].str() : "";
}

std::string ServerTest::AppText(std::string_view name) {
  return convert::ToText(server_->application().Get(name));
}

std::vector<std::string> ServerTest::ErrorLines() {
  std::lock_guard lock(log_mutex_);
  return error_lines_;
}

INSTANTIATE_TEST_SUITE_P(Server, SqliteServerTest, ::testing::Values(Backend::kSqlite),
                         BackendName);

std::string GbkForm(const std::vector<std::pair<std::string, std::string>>& fields) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string body;
  for (const auto& [name, value] : fields) {
    body += (body.empty() ? "" : "&") + name + "=";
    for (unsigned char c : Gbk(value)) body += {'%', kHex[c >> 4], kHex[c & 15]};
  }
  return body;
}

}  // namespace ravochat::testing
