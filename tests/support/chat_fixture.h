// A chat ready for a test: a temporary database, a manual clock, an in-memory
// application loaded with InitGlobal, and visitors put online as the login puts them.
#pragma once

#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "ravochat/clock.h"
#include "ravochat/host.h"
#include "ravochat/lumochat.h"
#include "support/temp_database.h"

namespace ravochat::testing {

// 2026-12-06 12:00:00, the moment every fixture starts at.
Date FixtureStart();

// How many times `part` occurs in `text`.
inline int Occurrences(std::string_view text, std::string_view part) {
  int n = 0;
  for (auto at = text.find(part); at != std::string_view::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

class ChatFixture {
 public:
  // `prefix` is the chat's ConstStr. The database, of `backend`, holds the schema only; add
  // rows with db.Exec, set configuration with Param, then call Init.
  explicit ChatFixture(std::string prefix = "", Backend backend = Backend::kSqlite);

  // Stores the sysparam row `alias` = `body` in the database (loaded by Init).
  void Param(std::string_view alias, std::string_view body);
  // Param for each "alias=body" (split at the first "="): Params({"maxtalk=100", "l_kick=6"}).
  void Params(std::initializer_list<std::string_view> settings);
  // Adds an open room row with the given ID, name and owner, built now.
  void Room(int id, std::string_view name, std::string_view owner = "");
  // Sets "_connstr" and runs InitGlobal, in `app` or in `into`.
  void Init(Application* into = nullptr);

  // A component of this chat: ConstStr set, reading `clock`.
  std::unique_ptr<lumochat> Component();
  // The application value `name` of this chat ("_user_list" and the like).
  Value Get(std::string_view name) const;
  void Set(std::string_view name, Value value);
  // Field `field` of the record of `key` in the list `list`, through the component.
  std::string ListField(std::string_view list, const Value& key, std::size_t field);
  void SetListField(std::string_view list, const Value& key, std::size_t field,
                    std::string_view value);

  // Puts `name` online in `room` as the login does: a user record, the room's occupant
  // list, and a session holding myname and mytemp; the same session on re-entry.
  MemorySession& Enter(const std::string& name, int room, int level = 1,
                       Application* into = nullptr);
  MemorySession& SessionOf(const std::string& name) { return *sessions_.at(name); }
  // The answer to a poll (refresh.asp) without fields in `session`.
  std::string Poll(Session& session);

  TempDatabase db;
  ManualClock clock;
  MemoryApplication app;
  std::string prefix;

 private:
  std::map<std::string, std::unique_ptr<MemorySession>> sessions_;
};

}  // namespace ravochat::testing
