// Moderation: the actions that keep a public chat usable (sending a visitor away, freezing an
// account, locking an address, a temporary level, a room's door, robot name and title), who
// may take them, and the "/" command lines that take them from the chat's input line.
// A visitor may take an action when his effective level reaches the setting "_l_" + the
// action's name, and never on someone of his own level or above; the operator (the
// administration site) may take every action on everyone. Every action taken writes one row
// to the management log `record`. Refusals come back as texts; every value reaches SQL as a
// bound parameter; failures are ravochat::Error exceptions.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ravochat/clock.h"
#include "ravochat/database.h"
#include "ravochat/host.h"

namespace ravochat::moderation {

enum class Action { kKick, kFreeze, kLock, kLevel, kDoor, kRobot, kTitle };

// Every action, in the order the pages offer them.
inline constexpr Action kActions[] = {Action::kKick, Action::kFreeze, Action::kLock, Action::kLevel,
                                      Action::kDoor, Action::kRobot,  Action::kTitle};

// The action's name: "kick", "freeze", "lock", "level", "door", "robot", "title". Its level
// setting is "l_" + the name, its chat command "/" + the name.
std::string_view ActionName(Action action);

// The user row's out_info of an account shut out, as the login reads it.
inline constexpr int kOutKicked = 5;
inline constexpr int kOutFrozen = 6;
inline constexpr int kOutFrozenForGood = 7;

// Kinds of the management log rows (`record.stype`) that moderation writes.
inline constexpr int kKickLog = 41;
inline constexpr int kFreezeLog = 42;
inline constexpr int kLockLog = 43;
inline constexpr int kLevelLog = 44;
inline constexpr int kDoorLog = 45;
inline constexpr int kRobotLog = 46;
inline constexpr int kTitleLog = 47;
inline constexpr int kUnfreezeLog = 48;
inline constexpr int kUserLevelLog = 49;
inline constexpr int kUserDeletedLog = 50;
inline constexpr int kSettingLog = 51;
inline constexpr int kUnlockLog = 52;
inline constexpr int kRoomMadeLog = 53;
inline constexpr int kRoomDeletedLog = 54;
inline constexpr int kContentLog = 55;   // notices, actions and robot sayings
inline constexpr int kGuessingLog = 56;  // a name's logins held back after wrong passwords

// The outcome of an action: what was done, or why nothing was.
struct Outcome {
  bool done = false;
  std::string message;  // plain text, not escaped
};

class Moderator {
 public:
  // The visitor of `session` when he is validly in the chat of `prefix`, else nullopt.
  // Throws DatabaseError when the chat's database cannot be opened.
  static std::optional<Moderator> Find(Application& app, Session& session, std::string_view prefix,
                                       const Clock& clock);
  // The operator of the administration site, above every level.
  static Moderator Operator(Application& app, std::string_view prefix, const Clock& clock);
  // The chat itself, acting on its own rules (flood control).
  static Moderator System(Application& app, std::string_view prefix, const Clock& clock);

  const std::string& name() const { return name_; }
  // True when his level reaches the action's level setting.
  bool May(Action action) const;
  // The actions he may take, in kActions order.
  std::vector<Action> Allowed() const;

  // Sends `name` out of the chat for `minutes` (1 to 10080): his user row gets out_info 5 and
  // out_time `minutes` ahead, and when he is online his record leaves the user list, a line
  // tells his room, and his window goes to the closing page at its next poll.
  Outcome Kick(const std::string& name, std::int32_t minutes, const std::string& reason = "");
  // Freezes the account of `name` for `days` (1 to 3650; out_info 6), or for good when
  // `days` is 0 (out_info 7); takes him out of the chat like Kick when he is online.
  Outcome Freeze(const std::string& name, std::int32_t days, const std::string& reason = "");
  // Locks the address `address` (or a prefix of one: digits, dots, colons, at least three
  // characters) for `minutes` (1 to 525600) against new users and users below his level.
  Outcome LockAddress(const std::string& address, std::int32_t minutes,
                      const std::string& reason = "");
  // Gives `name` the temporary level `level` (above 5, below his own), replacing an older
  // one; 0 takes it away. A visitor online gets it at once.
  Outcome GiveLevel(const std::string& name, std::int32_t level);
  // Opens or closes the door of room `room`.
  Outcome SetDoor(std::int32_t room, bool open);
  // Names the robot of room `room` (a name the login's checks would accept).
  Outcome SetRobot(std::int32_t room, const std::string& robot);
  // Sets the title of room `room` and shows it to the room.
  Outcome SetTitle(std::int32_t room, const std::string& title);

  // The chat command `line` ("/kick name 5", "/freeze name 0", "/lock 10.0.0. 60",
  // "/level name 7", "/door close", "/robot name", "/title text"; room actions act on
  // `room`), or nullopt when the line is no moderation command.
  std::optional<Outcome> Command(const std::string& line, std::int32_t room);

  Moderator(Moderator&&) noexcept;
  Moderator& operator=(Moderator&&) noexcept;
  ~Moderator();

 private:
  Moderator(Application& app, std::string_view prefix, const Clock& clock, std::string name,
            std::int64_t level, std::string role);

  // The effective level of `name` (his record's when online, else the login's rule applied to
  // his stored and temporary levels), or nullopt when he has no user row. `stored` receives his
  // row's spelling.
  std::optional<std::int64_t> TargetLevel(const std::string& name, std::string& stored);
  // The refusal for acting with `action` on `name`, or nothing; fills `stored`.
  std::optional<Outcome> Refusal(Action action, const std::string& name, std::string& stored);
  // Writes the user row's ban and takes him out of the chat when he is online.
  void ShutOut(const std::string& name, int out_info, Date until, const std::string& line);
  // Room `room`'s name, or nullopt when the chat has no such room.
  std::optional<std::string> RoomName(std::int32_t room);
  // Changes field `field` of room `room` in the room list and the database column `column`.
  void ChangeRoom(std::int32_t room, std::size_t field, std::string_view column,
                  const std::string& value);
  // One management log row: `place`, `[target]`, `reason` and `act` ("%%" for the target).
  void Log(int stype, const std::string& place, const std::string& target,
           const std::string& reason, const std::string& act);
  std::string Setting(std::string_view key) const;

  Application* app_;
  std::string prefix_;
  const Clock* clock_;
  std::string name_;
  std::int64_t level_;
  std::string role_;
  std::unique_ptr<db::Connection> conn_;
};

// True when `line` is "/" + an action's name, alone or followed by a blank.
bool IsCommand(std::string_view line);

// Takes the chat command `line` of the session's visitor in room `room`: the refusal when he is
// not validly in the chat of `prefix`, the usage when the line is no command, else the
// command's outcome. Throws DatabaseError.
Outcome TakeCommand(Application& app, Session& session, std::string_view prefix, const Clock& clock,
                    const std::string& line, std::int32_t room);

}  // namespace ravochat::moderation
