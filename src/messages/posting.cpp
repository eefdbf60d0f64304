// subsay: a posted line is checked, escaped and stored in the says ring, and the reply page
// hands the poster the new lines at once. The shared values are changed in two locked
// stretches: reading the line (room presence, title), then storing it (ring, clock, the
// poster's record); the database work between them runs without the lock.
#include <optional>
#include <string>
#include <utility>

#include "core/app_keys.h"
#include "core/convert.h"
#include "core/keyed_list.h"
#include "core/records.h"
#include "core/strings.h"
#include "messages/pages.h"
#include "messages/posting.h"
#include "messages/says_ring.h"
#include "messages/visitor.h"
#include "ravochat/error.h"
#include "text/classic_random.h"
#include "text/markup_filter.h"

namespace ravochat {
namespace {

using messages::PostLine;

Value Setting(const lumochat& chat, const Application& app, std::string_view name) {
  return app.Get(app_key::AppKey(chat.ConstStr, name));
}

// True when `level` reaches the minimum level `minimum` (a "_l_" setting).
bool Reaches(int level, const Value& minimum) { return level - convert::ToDouble(minimum) >= 0; }

// The first `limit` characters of `text`. Throws ConversionError for a negative limit.
std::string CutTo(std::string_view text, const Value& limit) {
  std::int32_t n = convert::ToInt32(limit);
  if (n < 0) throw ConversionError("a length of " + std::to_string(n) + " characters");
  return strings::Left(text, static_cast<std::size_t>(n));
}

// "addsays": a number, 0 when it is none.
std::int32_t ActCode(const Value& v) { return convert::IsNumeric(v) ? convert::ToInt32(v) : 0; }

// "istitle": a number other than 0 asks for the room title.
bool AsksForTitle(const Value& v) { return convert::IsNumeric(v) && convert::ToDouble(v) != 0; }

// "secret" is 1 only when it holds the truth value True: the text true in any letter case
// or -1. An absent field, false, 0 and 1 all give 0.
int SecretFlag(const Value& v) {
  if (const bool* b = v.AsBool()) return *b ? 1 : 0;
  const std::string* text = v.AsText();
  if (text != nullptr && strings::EqualsIgnoreCase(*text, "true")) return 1;
  return convert::IsNumeric(v) && convert::ToDouble(v) == -1 ? 1 : 0;
}

// Puts a "\" before every "script", in any letter case, of a line that keeps its HTML.
std::string ScriptGuard(std::string says) {
  std::string low = strings::ToLowerAscii(says);
  for (std::size_t p = low.find("script"); p != std::string::npos; p = low.find("script", p + 7)) {
    says.insert(p, "\\");
    low.insert(p, "\\");
  }
  return says;
}

std::string EscapeSays(lumochat& chat, std::string says, int level, const Application& app,
                       const Value& enable) {
  if (says.find('<') == std::string::npos) return chat.TrStr(says, enable);
  if (says.starts_with("#") && Reaches(level, Setting(chat, app, app_key::kLevelAllHtml))) {
    std::string html = text::FilterMarkup(std::string_view(says).substr(1));
    return ScriptGuard(chat.TrStr(html, enable));
  }
  return chat.trDb(says);
}

// A name from the request, made safe for the poster's own system line.
std::string ShownName(lumochat& chat, const std::string& name) {
  std::string html = chat.trHtml(name);
  return chat.TrStr(html, Value("0"));
}

void SetTitle(lumochat& chat, Application& app, keyed_list::Record& room, PostLine& line) {
  std::string cut = CutTo(line.says, Setting(chat, app, app_key::kTitleLength));
  line.title = messages::TitleText(chat.trDb(cut), chat.MyName, chat.GetTimeStr());
  room.MutableField(room_field::kTitle) = line.title;
  app.Set(app_key::AppKey(chat.ConstStr, app_key::kRoomList), Value(room.ListText()));
  line.says = messages::TitleSays(line.title);
  line.act = messages::kActTitle;
  line.towho = messages::kEveryone;
}

bool TargetAccepted(const lumochat& chat, const PostLine& line) {
  return line.towho == messages::kEveryone || line.towho == line.robot ||
         line.towho == chat.MyName ||
         line.occupants.find(" " + line.towho + " ") != std::string::npos;
}

// Escaping, colour, secret flag, target kind, brackets and commands of an accepted line.
void FinishLine(lumochat& chat, const Application& app, const Request& request, const Value& enable,
                PostLine& line) {
  if (line.act != messages::kActTitle) {
    line.says = EscapeSays(chat, std::move(line.says), line.level, app, enable);
  }
  std::string color = convert::ToText(request.Item("sayscolor"));
  line.color1 = chat.trDb(color);
  line.secret = SecretFlag(request.Item("secret"));
  if (line.towho == messages::kEveryone) {
    line.secret = 0;
    line.kind = "toall";
  } else {
    line.kind = line.towho == chat.MyName ? "toself" : "toother";
  }
  if (line.act == messages::kActTitle ||
      (!line.is_owner && line.towho != chat.MyName &&
       !Reaches(line.level, Setting(chat, app, app_key::kLevelTt)))) {
    line.says = strings::Replace(line.says, "[", "&#91;");
  }
  if (line.says.starts_with("/")) messages::StartCommand(line);
}

// Reads the line of a visitor already known to be logged in (the room, presence, the text,
// the title or target, escaping). Holds the caller's application lock.
void ReadLine(lumochat& chat, Application& app, const Request& request, const Value& enable,
              const std::string& room_list, PostLine& line) {
  keyed_list::Record room = keyed_list::TakeRecord(room_list, convert::ToText(chat.room_id));
  line.is_owner =
      strings::ToLowerAscii(room.Field(room_field::kOwner)) == strings::ToLowerAscii(chat.MyName);
  line.robot = room.Field(room_field::kRobot);
  line.occupants = " " + room.Field(room_field::kOccupants) + " ";
  line.says = CutTo(strings::Trim(convert::ToText(request.Form("says"))),
                    Setting(chat, app, app_key::kMaxSaysLength));
  if (line.occupants.find(" " + chat.MyName + " ") == std::string::npos) {
    std::string& occupants = room.MutableField(room_field::kOccupants);
    occupants = keyed_list::AddWord(occupants, chat.MyName);
    app.Set(app_key::AppKey(chat.ConstStr, app_key::kRoomList), Value(room.ListText()));
  }
  if (line.says.empty()) {
    line.system_message = "【系统】发言为空！";
    return;
  }
  std::string color = convert::ToText(request.Item("addwordcolor"));
  line.color2 = chat.trDb(color);
  line.raw_act = ActCode(request.Item("addsays"));
  line.act = line.raw_act < 0 ? 0 : line.raw_act;
  if (AsksForTitle(request.Item("istitle")) &&
      (line.is_owner || Reaches(line.level, Setting(chat, app, app_key::kLevelTitle)))) {
    SetTitle(chat, app, room, line);
  } else {
    line.towho = convert::ToText(request.Item("towho"));
    if (!TargetAccepted(chat, line)) {
      line.system_message = "【系统】" + ShownName(chat, line.towho) + "不在当前聊天室里！";
      return;
    }
  }
  FinishLine(chat, app, request, enable, line);
}

// Writes the poster's last poll, last received number and, when his line was stored, the
// time of his last line into his record as the user list holds it now. A poster who left
// the list meanwhile is not put back.
void StorePosterRecord(Application& app, const std::string& key, const std::string& name, Date now,
                       const std::string& newest, bool said) {
  std::string list = convert::ToText(app.Get(key));
  std::optional<keyed_list::Record> poster = keyed_list::TakeListedRecord(list, name);
  if (!poster) return;
  if (said) poster->MutableField(user_field::kLastSaid) = convert::DateToText(now);
  messages::MarkSent(poster->fields, now, newest, name);
  app.Set(key, Value(poster->ListText()));
}

}  // namespace

std::string lumochat::subsay(Application& TheApplication, Session& TheSession,
                             Request& TheRequest) {
  FilterStr = convert::ToText(TheApplication.Get(Key(app_key::kSaysFilterStr)));
  Value enable = TheApplication.Get(Key(app_key::kEnableSaysFilter));
  std::string page = std::string(messages::kPageHead).append(messages::kPollHead);
  PostLine line;
  {
    auto lock = TheApplication.Lock();
    Value users = TheApplication.Get(Key(app_key::kUserList));
    std::string room_list = convert::ToText(TheApplication.Get(Key(app_key::kRoomList)));
    std::string scratch;
    line.level = getLevel(TheSession, messages::TextOf(users, scratch), room_list);
    if (line.level == 0) return page.append(messages::kNotLoggedInRedirect);
    ReadLine(*this, TheApplication, TheRequest, enable, room_list, line);
  }

  db::Connection& conn = OpenConn(TheApplication);
  if (!line.title.empty()) messages::StoreTitle(conn, line.title, room_id);
  if (line.action_pending) messages::ResolveAction(*this, conn, enable, line);
  std::string robot_reply;
  if (line.system_message.empty() && line.towho != MyName && line.towho == line.robot) {
    robot_reply = messages::RobotReply(*this, conn, enable, DrawRobotRow(TheApplication));
  }
  return page.append(DeliverPost(TheApplication, TheRequest, line, robot_reply));
}

std::string lumochat::DeliverPost(Application& TheApplication, Request& TheRequest,
                                  const PostLine& line, const std::string& robot_reply) {
  auto lock = TheApplication.Lock();
  Value says = TheApplication.Get(Key(app_key::kSays));
  Value current = TheApplication.Get(Key(app_key::kCurrent));
  Date now = clock_.Now();
  std::string time = GetTimeStr();
  std::string own_lines;
  bool said = false;
  if (!line.system_message.empty()) {
    own_lines = messages::SystemLine(line.system_message, MyName, time);
  } else if (line.towho == MyName) {
    own_lines = messages::PrivateLine(line.says, MyName, line.towho, line.color1, line.color2,
                                      line.act, time);
  } else if (line.towho == line.robot) {
    own_lines = messages::PrivateLine(line.says, MyName, line.towho, line.color1, line.color2,
                                      line.act, time) +
                messages::PrivateLine(robot_reply, line.towho, MyName, line.color2, line.color1,
                                      line.raw_act, time);
  } else {
    Newsay(Value(MyName), Value(line.towho), Value(line.secret), Value(room_id), Value(line.says),
           Value(line.color1), Value(line.color2), Value(line.act), says, current);
    TheApplication.Set(Key(app_key::kSays), says);
    TheApplication.Set(Key(app_key::kCurrent), current);
    said = true;
  }

  int row = messages::CurrentRow(current);
  std::string rows = GetNewSays(says, row, convert::ToInt32(TheRequest.Item("id")));
  std::string out = rows == "''" ? "" : "parent.addsay(" + rows + ");";
  out += own_lines;
  std::string clock_key = Key(app_key::kChatroomClock);
  if (convert::DateDiff(convert::Interval::kSecond, convert::ToDate(TheApplication.Get(clock_key)),
                        now) > 60) {
    out += "window.open('usercheck.asp','usercheck');";
    TheApplication.Set(clock_key, Value(now));
  }
  std::string newest = convert::ToText(messages::NumberAt(says, row));
  out.append("parent.ref(").append(newest).append(");</script>");
  StorePosterRecord(TheApplication, Key(app_key::kUserList), MyName, now, newest, said);
  return out;
}

std::int32_t lumochat::DrawRobotRow(Application& TheApplication) {
  SeedFromClock();
  double count = convert::ToDouble(TheApplication.Get(Key(app_key::kAutosayCount)));
  return messages::RobotRow(rng_->Next(), count);
}

}  // namespace ravochat
