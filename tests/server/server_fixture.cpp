// The in-process server of the server tests.
#include "server/server_fixture.h"

#include "core/convert.h"
#include "text/gbk.h"

namespace ravochat::testing {

std::string Gbk(std::string_view utf8) { return text::Utf8ToGbk(utf8); }

ServerTest::ServerTest() : clock_(convert::FromCivil({2026, 12, 6, 12, 0, 0})) {}

ServerTest::~ServerTest() { server_.reset(); }

void ServerTest::Start(std::vector<std::string> args) {
  std::vector<std::string> all = {"--listen",    "127.0.0.1:0", "--db",
                                  db_.connstr(), "--threads",   "2"};
  all.insert(all.end(), args.begin(), args.end());
  const auto options = server::ParseOptions(all, RAVOCHAT_SITE_DIR);
  server_ = std::make_unique<server::ChatServer>(
      options, clock_,
      [this](std::string_view line) {
        std::lock_guard lock(log_mutex_);
        error_lines_.emplace_back(line);
      },
      nullptr);
}

HttpReply ServerTest::LogIn(const std::string& name, const std::string& password,
                            const std::string& room) {
  return Client()->Post(
      "/login.asp",
      GbkForm({{"sUserName", name}, {"sPass", password}, {"bSex", "0"}, {"room_id", room}}));
}

std::string ServerTest::CookieLine(const std::string& name, const std::string& password,
                                   const std::string& room) {
  const HttpReply reply = LogIn(name, password, room);
  EXPECT_EQ(reply.status, 200);
  EXPECT_NE(CookieOf(reply), "") << "login of " << name << " refused";
  return "Cookie: " + CookieOf(reply);
}

std::string ServerTest::AppText(std::string_view name) {
  return convert::ToText(server_->application().Get(name));
}

std::vector<std::string> ServerTest::ErrorLines() {
  std::lock_guard lock(log_mutex_);
  return error_lines_;
}

}  // namespace ravochat::testing
