// lumochat: the chat component. A page creates one object per request, sets ConstStr
// (the prefix of every application key), calls one operation and writes the text it
// returns. Refusals come back as texts; failures are exceptions derived from
// ravochat::Error, never caught here, and what was stored before them stays stored.
// Every read-change-store sequence on a chat's shared values holds that chat's mutex.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ravochat/clock.h"
#include "ravochat/database.h"
#include "ravochat/host.h"
#include "ravochat/login.h"
#include "ravochat/poll.h"
#include "ravochat/value.h"

namespace ravochat {

class ClassicRandom;
namespace messages {
struct ListedVisitor;
}  // namespace messages

class lumochat {
 public:
  // The component reads the present only through `clock`, which must outlive it.
  explicit lumochat(const Clock& clock = SystemClock::Instance());
  ~lumochat();
  lumochat(const lumochat&) = delete;
  lumochat& operator=(const lumochat&) = delete;

  // Name of the visitor the object works for; set by getLevel.
  std::string MyName;
  // Prefix of every application key: "c1" keeps the user list under "c1_user_list".
  std::string ConstStr;
  // The visitor's room; set by getLevel.
  std::int32_t room_id = 0;
  // Comma-separated words of the word filter.
  std::string FilterStr;

  // --- Keyed list strings (src/core/list_operations.cpp) ---

  // The list without the record of `IndexStr`. Throws ListKeyError for a missing key.
  std::string DelList(const Value& ListStr, const Value& IndexStr);
  // Field `IndexNum` of the record of `IndexStr`. Throws ListKeyError for a missing key
  // or field, ConversionError for a non-numeric index.
  std::string GetListValue(const Value& ListStr, const Value& IndexStr, const Value& IndexNum);
  // The list with one or two fields of the record of `IndexStr` changed by mode: -1 removes
  // a word, 0 replaces, 1 adds a word, other modes add a number (first change only).
  // Throws ListKeyError, ConversionError, OverflowError.
  std::string SetListValue(const Value& ListStr, const Value& IndexStr, const Value& IndexNum1,
                           const Value& Value1, const Value& SetMod1,
                           const std::optional<Value>& IndexNum2 = std::nullopt,
                           const std::optional<Value>& Value2 = std::nullopt,
                           const std::optional<Value>& SetMod2 = std::nullopt);

  // The version of the build, "3.1.2".
  std::string GetVer() const;

  // --- Text rules (src/text/) ---

  // Masks the first occurrence of each FilterStr word with "**(脏话)"; stores the
  // result in `mess` and returns it.
  std::string zhgl(std::string& mess);
  // trHtml("a<b&c") == "a&lt;b&amp;c"
  std::string trHtml(const std::string& mess);
  // Trims, filters and escapes a posted text; `mess` keeps the text before the carriage
  // returns become "<br>", which only the result carries.
  std::string trDb(std::string& mess);
  // Escapes for a quoted script string; `mess` keeps the escaped, untrimmed text, the
  // result is trimmed. Filters words first when `enablesaysfilter` is "1".
  std::string TrStr(std::string& mess, const Value& enablesaysfilter);
  // "hh:mm:ss" of `TimeStr`, or of now. Throws ConversionError for a non-date.
  std::string GetTimeStr(const std::optional<Value>& TimeStr = std::nullopt);
  // "yyyy-mm-dd" of `DateStr`, or of today. Throws ConversionError for a non-date.
  std::string GetDateStr(const std::optional<Value>& DateStr = std::nullopt);
  // "yyyy-mm-dd hh:mm:ss" of `ADstr`, or of now; `ADstr` itself when it is no date.
  Value AllDateStr(const std::optional<Value>& ADstr = std::nullopt);
  // True when the name `u` must be refused. Stores the cleaned `usernameenable` back
  // when it gets that far.
  bool Chuser(const std::string& u, std::string& usernameenable);
  // Length of `u` with every double-byte character counted twice.
  int len_ch(const std::string& u);
  // The 30-character transform of a password; stores the trimmed password back.
  // Throws Error for a password that is empty after trimming.
  std::string Trpass(std::string& preString);

  // --- Configuration (src/chat/configuration.cpp) ---

  // Loads the configuration, then empties the ring and the user list and rebuilds the
  // room list. Throws DatabaseError, ConversionError (a non-numeric "_maxtalk").
  void InitGlobal(Application& TheApplication);
  // Loads the configuration and the values derived from it; leaves the lists alone.
  void preglobal_1(Application& TheApplication);

  // --- Messages (src/messages/) ---

  // The visitor's effective level, 0 when not validly logged in. Sets MyName, and for a
  // listed visitor ListParts, MyRec and room_id.
  int getLevel(Session& TheSession, const std::string& User_List, const std::string& room_list);
  // The polling page.
  std::string refresh(Application& TheApplication, Session& TheSession, Request& TheRequest);
  // One poll without its page, as refresh makes it: checks the visitor, selects the rows
  // newer than `sayid` (when `sayid` is empty, his record's last received number, or
  // `remembered`, at most the newest, when that is further: the number his window holds,
  // which its script keeps in the cookie "lastsayid" so that a poll served by another server
  // of a shared chat, whose copy of his record may lag a second, repeats nothing) and, for a
  // valid visitor, stores the present as his last poll and the newest number as received.
  // Throws ConversionError for a `sayid` or a stored field that is no number or date.
  PollResult Poll(Application& TheApplication, Session& TheSession, const Value& sayid,
                  int remembered = 0);
  // Appends one message to the ring `says`; moves `current` to its row.
  void Newsay(const Value& who, const Value& ToWho, const Value& secret, const Value& room_id,
              const Value& mess, const Value& c1, const Value& c2, const Value& act, Value& says,
              Value& current);
  // The page that first fills the message panes.
  std::string InitSayList(Application& TheApplication, Session& TheSession);
  // The reply page to a posted line.
  std::string subsay(Application& TheApplication, Session& TheSession, Request& TheRequest);

  // --- Login (src/login/) ---

  // "" when the visitor was admitted, else the refusal message: Login's text.
  std::string LoginCheck(Application& TheApplication, Session& TheSession, Request& TheRequest);
  // The login with its outcome typed: the refusal's reason beside its text.
  LoginOutcome Login(Application& TheApplication, Session& TheSession, Request& TheRequest);

  // --- Chat page and rooms (src/rooms/) ---

  // The chat window's frameset page.
  std::string ChatFrame(Application& TheApplication, Session& TheSession, Request& TheRequest);
  // "" when the visitor moved to the room "toroom", else the refusal message.
  std::string ChangeRoom(Application& TheApplication, Session& TheSession, Request& TheRequest);

  // --- Housekeeping (src/housekeeping/) ---

  // Promotes and expires rooms; applies when `UMod` is 1, else only lists. Report text.
  std::string RoomUpdate(Application& TheApplication, const Value& UMod);
  // Deletes (UMod 1) or lists stale user accounts.
  std::string UserClear(Application& TheApplication, const Value& UMod);

  // --- Opening and leaving the chat (src/chat/configuration.cpp, src/rooms/leaving.cpp) ---

  // Loads the chat from the database `connstr` as InitGlobal does; `connstr` stays the chat's
  // connection string whatever the configuration rows say. Throws as InitGlobal.
  void OpenChat(Application& TheApplication, const std::string& connstr);

  // A visitor whose last poll or post is older than this is logged out by SweepIdle.
  static constexpr std::int64_t kIdleSeconds = 3 * 60;

  // close.asp: logs the session's visitor out of the chat (his record, his room's occupant
  // list, a departure line, his user row's out_time) when he is validly logged in, so a stale
  // session never ends a newer login; then clears the session's name and token. Throws
  // DatabaseError when his user row cannot be updated (the lists are changed by then).
  void LeaveChat(Application& TheApplication, Session& TheSession);

  // The visitors SweepIdle logged out: each name with the session token of his record.
  using Departures = std::map<std::string, std::string>;
  // Logs out every visitor idle for more than kIdleSeconds. Throws as LeaveChat.
  Departures SweepIdle(Application& TheApplication);
  // Clears the name and token of `session` when they still are those of a visitor of `gone`
  // (he has not logged in again since).
  static void ForgetDeparted(Session& session, const Departures& gone);
  // Does the hourly saving and the daily clean-up that a login claimed more than 10 minutes
  // ago and never finished (its process died, or the database failed), claiming it anew.
  // Returns whether there was such work. Throws DatabaseError.
  bool FinishHourlyWork(Application& TheApplication);

  // --- Views for the site's own pages (src/rooms/room_views.cpp) ---

  // A room as the login page and the room list show it.
  struct RoomView {
    std::string id;
    std::string name;
    std::size_t people = 0;
    bool open = true;
  };
  // The rooms in list order.
  std::vector<RoomView> RoomViews(Application& TheApplication);
  // The room of the session's visitor, 0 when he is not listed.
  std::int32_t VisitorRoom(Application& TheApplication, Session& TheSession);
  // The settings the name rules page shows: the minimum and maximum name lengths and the
  // permitted characters.
  struct NameRules {
    std::string length;
    std::string max_length;
    std::string enabled;
  };
  NameRules GetNameRules(Application& TheApplication);

 private:
  // The application key of `name` ("_user_list") in this object's chat.
  std::string Key(std::string_view name) const;
  // The object's connection, opened from this chat's "_connstr" on first use.
  db::Connection& OpenConn(Application& TheApplication);

  // Configuration.
  void InitLists(Application& TheApplication);

  // Text rules.
  std::string PassChar(double& x);

  // Messages. `current` and `sayid` are whole numbers already converted by the caller.
  std::string GetNewSays(const Value& says, int current, int sayid);
  // Makes `visitor` the one this object works for (MyName, and for a listed visitor MyRec
  // and room_id); returns his level. A member, as only the object itself sets MyRec.
  int TakeVisitor(messages::ListedVisitor visitor);

  // Housekeeping.
  std::string RoomKeep(const Value& UMod, const Value& threshold, std::string& room_list);
  std::string RoomExpire(const Value& UMod, const Value& timeout, const Value& loss_per_day,
                         std::string& room_list);
  std::string UserExpire(const Value& UMod, const Value& once_limit, const Value& limit);

  // Login statistics (src/housekeeping/login_statistics.cpp): members, as the daily clean-up
  // runs RoomKeep, RoomExpire and UserExpire.
  // Counts the login in "_visitor" and "_hour24"; at the first login of an hour saves
  // both and, at 14:00, runs the daily clean-up. Seeds rng_ from the clock.
  void CountLogin(Application& TheApplication);
  // The work of the first login of clock hour `hour`, claimed under the chat's mutex as
  // `claim` ("_hourwork"), which it clears when done.
  void HourlyWork(Application& TheApplication, int hour, const std::string& claim);
  void DailyCleanUp(Application& TheApplication);

  const Clock& clock_;
  std::unique_ptr<ClassicRandom> rng_;

  // The user list split at the visitor's key marker: before, body, after.
  std::vector<std::string> ListParts;
  // The fields of the visitor's user record (body split at "$>").
  std::vector<std::string> MyRec;
  std::unique_ptr<db::Connection> Conn;
};

}  // namespace ravochat
