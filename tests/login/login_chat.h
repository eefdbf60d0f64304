// A chat set up for login tests: two rooms, the settings the login reads, and a way to
// submit the login form as the login page does.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/convert.h"
#include "ravochat/host.h"
#include "ravochat/lumochat.h"
#include "support/chat_fixture.h"

namespace ravochat::testing {

// The login form and the server variables of one attempt. Every member has an
// initializer, so a test names only what it changes: {.room = "2"}.
struct LoginForm {
  std::string room = "1";
  std::string address = "10.0.0.1";
  std::string sex = "0";
  std::string via = "";
  std::string forwarded = "";
};

class LoginChat {
 public:
  // Rooms 1 "大厅" and 2 "二楼" and every login setting, in a database of `backend`; adjust
  // them before Init().
  explicit LoginChat(Backend backend = Backend::kSqlite);

  // Loads the chat; the first Login does it when the test has not.
  void Init();
  // The request of the login form.
  static MemoryRequest Request(std::string_view name, std::string_view password,
                               const LoginForm& form = {});
  // Submits the login form in a fresh session; returns LoginCheck's result.
  std::string Login(std::string_view name, std::string_view password, const LoginForm& form = {});
  // The session of the latest Login, and of the latest Login of `name`.
  MemorySession& session() { return *sessions_.back(); }
  MemorySession& SessionOf(const std::string& name) { return *latest_.at(name); }
  // The classic transform of `password`.
  std::string Stored(std::string_view password);
  // A user row as a returning user of an older installation has it: his password as the
  // classic transform of its first 15 characters, `level`, `visits` visits, last exit
  // 2026-12-05 10:00:00, and the given friends.
  void AddUser(std::string_view name, std::string_view password, int level = 1, int visits = 4,
               std::string_view friends = "");
  // The application value `name` ("_visitor", "_user_list" and the like) as text.
  std::string Text(std::string_view name) const { return convert::ToText(chat.Get(name)); }
  // Field `field` of the user-list record of `name`.
  std::string Record(std::string_view name, std::size_t field) {
    return chat.ListField("_user_list", name, field);
  }
  // Field `field` of row `row` of the says ring, as text.
  std::string Ring(int row, std::size_t field) const {
    return convert::ToText(chat.Get("_says").At(row, field));
  }

  ChatFixture chat;

 private:
  bool initialized_ = false;
  std::vector<std::unique_ptr<MemorySession>> sessions_;
  std::map<std::string, MemorySession*> latest_;
};

}  // namespace ravochat::testing
