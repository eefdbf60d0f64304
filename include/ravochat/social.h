// What a chatter keeps and sends beside the chat's lines: his own settings and friends
// list, calls (呼叫), guest-book notes (留言) and friend requests. A Member acts for one
// visitor validly in the chat and reads or changes only his own rows and the rows
// addressed to him. Refusals are returned texts ("" when the change was made); every
// value reaches SQL as a bound parameter; failures are ravochat::Error exceptions.
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

namespace ravochat::social {

// Bounds of the settings a chatter may choose.
inline constexpr std::int32_t kFaceMin = 1001, kFaceMax = 1099;
inline constexpr std::int32_t kSizeMax = 12;        // f_size 0..12: text of 9 to 15 points
inline constexpr std::int32_t kLineHeightMax = 16;  // l_height 0..16: 120 % to 200 %
inline constexpr std::int32_t kColourMax = 17;      // n_color and s_color 0..17
inline constexpr std::size_t kMaxFriends = 50;
// Longest message of a call and of a note, in characters.
inline constexpr std::size_t kCallLength = 60, kNoteLength = 200;
// The addressee of a call to everybody.
inline constexpr std::string_view kEverybody = "大家";

// A chatter's display settings as his user row holds them.
struct Settings {
  std::int32_t face = 0;
  std::int32_t sex = 0;  // 1 girl, 0 boy
  std::int32_t f_size = 0;
  std::int32_t l_height = 0;
  std::int32_t n_color = 0;
  std::int32_t s_color = 0;
  std::string bgcolor;  // "background:face1:face2", each "#RRGGBB"
  std::string friends;  // blank-separated names
};

// A call as the call list shows it; texts as stored, not escaped.
struct CallEntry {
  std::string who;
  std::string to_who;  // the reader, or kEverybody
  std::string message;
  std::string time;     // "YYYY-MM-DD HH:MM:SS"
  bool unread = false;  // an unread call to the reader himself
};

// A guest-book note left for the reader; texts as stored, not escaped.
struct Note {
  std::int64_t id = 0;
  std::string who;
  std::string message;
  std::string time;
};

class Member {
 public:
  // The visitor of `session` when he is validly in the chat of `prefix`, else nullopt.
  // Throws DatabaseError when the chat's database cannot be opened.
  static std::optional<Member> Find(Application& app, Session& session, std::string_view prefix,
                                    const Clock& clock);

  // The visitor's name as the chat lists it.
  const std::string& name() const { return name_; }

  // --- Settings (src/social/settings.cpp) ---

  // The settings of his user row.
  Settings ReadSettings();
  // Stores every field of `wanted` but the friends list. Refuses, changing nothing, a
  // value out of its bounds or a colour that is not "#RRGGBB".
  std::string ChangeSettings(const Settings& wanted);
  // Stores the argon2id string of `new_password` when `old_password` is his password (of
  // either stored kind) and `again` repeats `new_password`; the server-busy text when the
  // hashes could not run in time.
  std::string ChangePassword(const std::string& old_password, const std::string& new_password,
                             const std::string& again);
  // Adds or removes a friend's name: only an existing other user, at most kMaxFriends.
  std::string AddFriend(const std::string& friend_name);
  std::string RemoveFriend(const std::string& friend_name);

  // --- Calls (src/social/calls.cpp) ---

  // Calls `to_who` (a user, or kEverybody) with `message`; an addressee online sees a
  // system line at once, one offline the login notice that opens the call list.
  std::string Call(const std::string& to_who, const std::string& message);
  // His calls and the calls to everybody of the last kBroadcastHours, newest first; marks
  // his as read.
  std::vector<CallEntry> ReadCalls();

  // --- Guest book (src/social/guest_book.cpp) ---

  // Leaves a note for the user `to_who`, online or not.
  std::string LeaveNote(const std::string& to_who, const std::string& message);
  // The notes left for him, newest first.
  std::vector<Note> Notes();
  // Deletes note `id` when it was left for him.
  std::string DeleteNote(std::int64_t id);

  // --- Friend requests (src/social/friends.cpp) ---

  // Asks the user `to_who` for friendship; an addressee online gets the answer links at
  // once, one offline at his next login.
  std::string AskFriend(const std::string& to_who);
  // Answers request `id` addressed to him: `agree` makes each the other's friend; either
  // answer deletes the request and tells the asker when he is online.
  std::string AnswerFriend(std::int64_t id, bool agree);

  Member(Member&&) noexcept;
  Member& operator=(Member&&) noexcept;
  ~Member();

 private:
  Member(Application& app, std::string_view prefix, const Clock& clock, std::string name);

  // The stored spelling of the user `name` (letter case ignored), or nullopt.
  std::optional<std::string> StoredName(const std::string& name);
  // The text after the word filter of this chat, cut to `length` characters.
  std::string Filtered(const std::string& text, std::size_t length);
  // Posts `line` (plain text, escaped here) as a system line to `to_who` when he is
  // online, or to everybody online for kEverybody.
  void Tell(const std::string& to_who, const std::string& line);
  // Posts `script_text`, already safe in a single-quoted script string, likewise.
  void TellRaw(const std::string& to_who, const std::string& script_text);
  std::string Text(std::string_view key) const;
  std::string NowText() const;

  Application* app_;
  std::string prefix_;
  const Clock* clock_;
  std::string name_;
  std::unique_ptr<db::Connection> conn_;
};

// How long a call to everybody stays in the call lists.
inline constexpr int kBroadcastHours = 24;

}  // namespace ravochat::social
