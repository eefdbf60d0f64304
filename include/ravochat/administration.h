// What the operator's administration site reads and changes beyond the moderation actions:
// the operator's password (an argon2id hash made by libsodium, never the password itself),
// the visitors online, user accounts, address locks, settings with a reload that drops
// nobody, the management log and the statistics. Changes are logged like the moderation
// actions; refusals come back as texts; every value reaches SQL as a bound parameter.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ravochat/clock.h"
#include "ravochat/database.h"
#include "ravochat/host.h"
#include "ravochat/moderation.h"

namespace ravochat::administration {

// --- The operator's password (src/moderation/operator_password.cpp) ---

// Stores the argon2id hash of `password` in the database `connstr`, replacing the one before.
// Throws Error for an empty password or when hashing fails, DatabaseError.
void SetOperatorPassword(const std::string& connstr, const std::string& password,
                         const Clock& clock);
// True when the database `connstr` holds an operator password. Throws DatabaseError.
bool HasOperatorPassword(const std::string& connstr, const Clock& clock);
// True when `password` is the operator's; false when none is set. Throws DatabaseError.
bool CheckOperatorPassword(const std::string& connstr, const std::string& password,
                           const Clock& clock);

// --- The chat as the operator sees it (src/moderation/console.cpp) ---

struct OnlineVisitor {
  std::string name, address, room, level, login_time, last_seen;
};

struct UserSummary {
  std::string name, level, last_ip, out_time;
  int out_info = 0;
  int visits = 0;
};

struct AddressLockRow {
  std::int64_t id = 0;
  std::string ip, end_time;
  std::int64_t level = 0;
};

struct SettingRow {
  std::string alias, body;
};

struct LogRow {
  std::int64_t kind = 0;
  std::string time;
  std::vector<std::string> fields;  // the seven ">"-separated fields
};

struct NoticeRow {
  std::int64_t id = 0;
  std::string title, link;
};

struct ActionRow {
  std::string name, to_all, to_self, to_other;
};

struct SayingRow {
  std::int64_t id = 0;
  std::string text;
};

struct Statistics {
  std::size_t online = 0;
  std::vector<std::pair<std::string, std::size_t>> rooms;  // room name, people present
  // Logins of the last 24 clock hours, oldest first, the present hour last.
  std::vector<std::pair<int, std::int64_t>> hours;
  std::string visitors;  // the visitor counter
};

class Console {
 public:
  // The console of the chat of `prefix`. Throws DatabaseError.
  Console(Application& app, std::string_view prefix, const Clock& clock);
  ~Console();

  std::vector<OnlineVisitor> Online();
  // The users whose names contain `part` (letter case ignored), at most 100, by name.
  std::vector<UserSummary> FindUsers(const std::string& part);
  // Sets the stored level of `name` to `level` (0 to 99); a visitor online has it at once.
  moderation::Outcome SetUserLevel(const std::string& name, std::int32_t level);
  // Lifts a kick or a freeze of `name`.
  moderation::Outcome Unfreeze(const std::string& name);
  // Deletes the account of `name`, who must not be online.
  moderation::Outcome DeleteUser(const std::string& name);

  std::vector<AddressLockRow> Locks();
  moderation::Outcome RemoveLock(std::int64_t id);

  // Every sysparam row but the statistics rows, by alias.
  std::vector<SettingRow> Settings();
  // Changes the body of an existing row (not the statistics rows); takes effect at Reload.
  moderation::Outcome ChangeSetting(const std::string& alias, const std::string& body);
  // Loads the settings again, keeping the visitors online, the rooms, the messages, the
  // connection string and the counters. Throws DatabaseError, ConversionError.
  void Reload();

  // --- Rooms, notices, actions and robot sayings (src/moderation/console_content.cpp) ---

  // Makes a kept room named `name` (a name of 1 to 20 characters without quotes, "<", ">",
  // "$" or "\\") with the owner, robot and description given; visitors may enter it at once.
  moderation::Outcome CreateRoom(const std::string& name, const std::string& owner,
                                 const std::string& robot, const std::string& description);
  // Deletes room `id` when nobody is in it and it is not the last room.
  moderation::Outcome DeleteRoom(std::int32_t id);

  // The scrolling notices, newest first. Adding or removing one reloads the settings
  // (Reload), which is how the chat page learns them.
  std::vector<NoticeRow> Notices();
  // `link` is a relative address or an http(s) one.
  moderation::Outcome AddNotice(const std::string& title, const std::string& link);
  moderation::Outcome RemoveNotice(std::int64_t id);

  // The chat actions ("/" + name in the input line), by name.
  std::vector<ActionRow> Actions();
  // Adds the action `row.name` (one word) or replaces the one of that name.
  moderation::Outcome SaveAction(const ActionRow& row);
  moderation::Outcome RemoveAction(const std::string& name);

  // The robots' sayings, by id; the ids stay 0 to the count minus 1, as the robot draws them.
  std::vector<SayingRow> Sayings();
  moderation::Outcome AddSaying(const std::string& text);
  moderation::Outcome RemoveSaying(std::int64_t id);

  // The newest `limit` log rows, newest first.
  std::vector<LogRow> Log(std::size_t limit);
  Statistics Stats();

 private:
  moderation::Outcome Logged(int stype, const std::string& target, const std::string& act);
  std::string Setting(std::string_view key) const;

  Application* app_;
  std::string prefix_;
  const Clock* clock_;
  std::unique_ptr<db::Connection> conn_;
};

}  // namespace ravochat::administration
