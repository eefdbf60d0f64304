// A chat set up for login tests: two rooms, the settings the login reads, and a way to
// submit the login form as the login page does.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ravochat/host.h"
#include "ravochat/lumochat.h"
#include "support/chat_fixture.h"

namespace ravochat::testing {

// The login form and the server variables of one attempt.
struct LoginForm {
  std::string room = "1";
  std::string address = "10.0.0.1";
  std::string sex = "0";
  std::string via;
  std::string forwarded;
};
// The default form with one thing changed.
LoginForm RoomForm(std::string room);
LoginForm AddressForm(std::string address);
LoginForm SexForm(std::string sex);
LoginForm ProxyForm(std::string via, std::string forwarded);

class LoginChat {
 public:
  // Rooms 1 "大厅" and 2 "二楼" and every login setting; call Init() after adjusting them.
  LoginChat();

  void Init() { chat.Init(); }
  // Submits the login form in a fresh session; returns LoginCheck's result.
  std::string Login(std::string_view name, std::string_view password, const LoginForm& form = {});
  // The session of the latest Login.
  MemorySession& session() { return *sessions_.back(); }
  // The stored form of `password`.
  std::string Stored(std::string_view password);
  // A user row as a returning user has it: `level`, `visits` visits, last exit
  // 2026-12-05 10:00:00, and the given friends.
  void AddUser(std::string_view name, std::string_view password, int level = 1, int visits = 4,
               std::string_view friends = "");
  // The values a refusal before the database must leave alone.
  std::string SharedState() const;
  // Field `field` of row `row` of the says ring, as text.
  std::string Ring(int row, int field) const;

  ChatFixture chat;

 private:
  std::vector<std::unique_ptr<MemorySession>> sessions_;
};

}  // namespace ravochat::testing
