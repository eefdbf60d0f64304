// A ravochat-server running in-process on a free loopback port, over a temporary
// database with the default rows and a manual clock, and the ways tests talk to it.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "ravochat/clock.h"
#include "server/chat_server.h"
#include "server/http_client.h"
#include "support/temp_database.h"

namespace ravochat::testing {

class ServerTest : public ::testing::Test {
 protected:
  ServerTest();
  ~ServerTest() override;

  // Starts the server with the temporary database, two threads and `args` on top.
  void Start(std::vector<std::string> args = {});
  std::unique_ptr<HttpClient> Client() { return std::make_unique<HttpClient>(server_->port()); }
  // Posts the login form; the reply carries the session cookie on success.
  HttpReply LogIn(const std::string& name, const std::string& password,
                  const std::string& room = "1");
  // The "Cookie: ..." header line of a successful login of `name`.
  std::string CookieLine(const std::string& name, const std::string& password,
                         const std::string& room = "1");
  // The application value `name` of the chat with the empty prefix, as text.
  std::string AppText(std::string_view name);
  std::vector<std::string> ErrorLines();

  TempDatabase db_{true};
  ManualClock clock_;
  std::unique_ptr<server::ChatServer> server_;

 private:
  std::mutex log_mutex_;
  std::vector<std::string> error_lines_;
};

// `utf8` as the GBK bytes the wire carries.
std::string Gbk(std::string_view utf8);

}  // namespace ravochat::testing
