// The three page objects the component works through: the application state shared
// by every visitor, the visitor's session, and the current request. Keys and names
// are matched without regard to ASCII letter case. The in-memory implementations
// serve the tests and the HTTP host alike.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <string_view>

#include "ravochat/value.h"

namespace ravochat {

namespace state {
class ChatState;
class MemoryChatState;
}  // namespace state

class Application {
 public:
  virtual ~Application() = default;
  // The value stored under `key`, or the empty value when none was stored.
  virtual Value Get(std::string_view key) const = 0;
  // Replaces the whole value under `key`.
  virtual void Set(std::string_view key, Value value) = 0;
  // The user list and room list of the chat whose keys start with `prefix`, made empty on
  // first use. Get and Set of its "_user_list" and "_room_list" keys read and replace their
  // text forms. Only the library works on it.
  virtual state::ChatState& Chat(std::string_view prefix) = 0;
};

class Session {
 public:
  virtual ~Session() = default;
  virtual Value Get(std::string_view key) const = 0;
  virtual void Set(std::string_view key, Value value) = 0;
};

class Request {
 public:
  virtual ~Request() = default;
  // The query-string field `name`, else the form field, else the empty value.
  virtual Value Item(std::string_view name) const = 0;
  // The form field `name`, or the empty value.
  virtual Value Form(std::string_view name) const = 0;
  // The server variable `name` (REMOTE_ADDR, HTTP_VIA, ...), or the empty value.
  virtual Value ServerVariable(std::string_view name) const = 0;
  // The cookie `name` the request carries, or the empty value.
  virtual Value Cookie(std::string_view name) const = 0;
};

// Orders keys by their ASCII-lower-case form.
struct CaseInsensitiveLess {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const;
};

using ValueMap = std::map<std::string, Value, CaseInsensitiveLess>;

namespace strings {
// The one case-insensitive comparison of the chat and its host: equal once ASCII letters are
// folded, as keys compare. EqualsIgnoreCase("_User_List", "_user_list") is true; other
// letters must match exactly.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
}  // namespace strings

class MemoryApplication : public Application {
 public:
  MemoryApplication();
  ~MemoryApplication() override;
  Value Get(std::string_view key) const override;
  void Set(std::string_view key, Value value) override;
  state::ChatState& Chat(std::string_view prefix) override;

 private:
  state::MemoryChatState& ChatOf(std::string_view prefix) const;

  mutable std::shared_mutex mutex_;
  ValueMap values_;
  mutable std::map<std::string, std::unique_ptr<state::MemoryChatState>, CaseInsensitiveLess>
      chats_;
};

// A session; safe to use from the several requests one browser may have under way.
class MemorySession : public Session {
 public:
  Value Get(std::string_view key) const override;
  void Set(std::string_view key, Value value) override;
  // A copy of every value stored, to keep the session across a restart.
  ValueMap Values() const;

 private:
  mutable std::mutex mutex_;
  ValueMap values_;
};

class MemoryRequest : public Request {
 public:
  Value Item(std::string_view name) const override;
  Value Form(std::string_view name) const override;
  Value ServerVariable(std::string_view name) const override;
  Value Cookie(std::string_view name) const override;

  void SetQuery(std::string_view name, Value value);
  void SetForm(std::string_view name, Value value);
  void SetServerVariable(std::string_view name, Value value);
  void SetCookie(std::string_view name, Value value);

 private:
  ValueMap query_;
  ValueMap form_;
  ValueMap server_variables_;
  ValueMap cookies_;
};

}  // namespace ravochat
