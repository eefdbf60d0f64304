// subsay: a posted line is checked, escaped and stored in the says ring, and the reply page
// hands the poster the new lines at once. The shared values are changed in two locked
// stretches: reading the line (room presence, title), then storing it (ring, clock, the
// poster's record) under the chat's mutex; the database work between them runs without it.
#include <optional>
#include <string>
#include <utility>

#include "core/app_keys.h"
#include "core/classic_random.h"
#include "core/convert.h"
#include "core/keyed_list.h"
#include "core/records.h"
#include "core/strings.h"
#include "messages/pages.h"
#include "messages/posting.h"
#include "messages/ring_lines.h"
#include "messages/says_ring.h"
#include "messages/visitor.h"
#include "ravochat/error.h"
#include "ravochat/moderation.h"
#include "state/flood_checks.h"
#include "text/markup_filter.h"

namespace ravochat {
namespace {

using messages::PostLine;

constexpr std::string_view kTooFast = "您发言太快了，请休息一下再说";
constexpr std::string_view kFloodReason = "刷屏";

// `outcome` as a system line, safe inside a single-quoted script string.
std::string SystemText(const Clock& clock, const moderation::Outcome& outcome) {
  lumochat chat(clock);
  std::string html =
      chat.trHtml(outcome.done ? "好的：" + outcome.message + "。" : outcome.message + "！");
  return "【系统】" + chat.TrStr(html, Value("0"));
}

// Settles a line that is not stored: a line that passed the flood limit is a moderation
// command, taken for the session's visitor in room `room`; past the limit the poster is told
// so, and sent away when the verdict says. Returns the system line for the poster alone, safe
// inside a single-quoted script string. Throws DatabaseError.
std::string SettlePost(Application& app, Session& session, std::string_view prefix,
                       const Clock& clock, state::PostVerdict verdict, const std::string& name,
                       const std::string& says, std::int32_t room) {
  if (verdict == state::PostVerdict::kPass) {
    return SystemText(
        clock, moderation::TakeCommand(app, session, prefix, clock, strings::Trim(says), room));
  }
  if (verdict == state::PostVerdict::kSendAway) {
    moderation::Moderator::System(app, prefix, clock)
        .Kick(name, state::SendAwayMinutes(app, prefix), std::string(kFloodReason));
  }
  return SystemText(clock, moderation::Outcome{false, std::string(kTooFast)});
}

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

void SetTitle(lumochat& chat, Application& app, state::ChatState& state, const std::string& room,
              PostLine& line) REQUIRES(state.mutex()) {
  std::string cut = CutTo(line.says, Setting(chat, app, app_key::kTitleLength));
  line.title = messages::TitleText(chat.trDb(cut), chat.MyName, chat.GetTimeStr());
  state.SetField(state::List::kRooms, room, room_field::kTitle, line.title);
  line.says = messages::TitleSays(line.title);
  line.act = messages::kActTitle;
  line.towho = messages::kEveryone;
}

bool TargetAccepted(const lumochat& chat, const state::ChatState& state, const std::string& room,
                    const PostLine& line) REQUIRES(state.mutex()) {
  return line.towho == messages::kEveryone || line.towho == line.robot ||
         line.towho == chat.MyName || state.HasOccupant(room, line.towho);
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
// the title or target, escaping).
void ReadLine(lumochat& chat, Application& app, state::ChatState& state, const Request& request,
              const Value& enable, PostLine& line) REQUIRES(state.mutex()) {
  const std::string room = convert::ToText(chat.room_id);
  line.is_owner = strings::EqualsIgnoreCase(
      state.Field(state::List::kRooms, room, room_field::kOwner), chat.MyName);
  line.robot = state.Field(state::List::kRooms, room, room_field::kRobot);
  const bool present = state.HasOccupant(room, chat.MyName);
  line.says = CutTo(strings::Trim(convert::ToText(request.Form("says"))),
                    Setting(chat, app, app_key::kMaxSaysLength));
  if (!present) state.AddOccupant(room, chat.MyName);
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
    SetTitle(chat, app, state, room, line);
  } else {
    line.towho = convert::ToText(request.Item("towho"));
    if (!TargetAccepted(chat, state, room, line)) {
      line.system_message = "【系统】" + ShownName(chat, line.towho) + "不在当前聊天室里！";
      return;
    }
  }
  FinishLine(chat, app, request, enable, line);
}

// Writes the poster's last poll, last received number and, when his line was stored, the
// time of his last line into his record. A poster who left the list meanwhile is not put back.
void StorePosterRecord(state::ChatState& state, const std::string& name, Date now,
                       const std::string& newest, bool said) REQUIRES(state.mutex()) {
  if (!state.Contains(state::List::kUsers, name)) return;
  if (said) {
    state.SetField(state::List::kUsers, name, user_field::kLastSaid, convert::DateToText(now));
  }
  messages::MarkSent(state, name, now, newest);
}

// The robot's row, drawn from `rng` seeded from `clock`.
std::int32_t DrawRobotRow(const Application& app, std::string_view prefix, const Clock& clock,
                          ClassicRandom& rng) {
  SeedFromClock(rng, clock);
  double count = convert::ToDouble(app.Get(app_key::AppKey(prefix, app_key::kAutosayCount)));
  return messages::RobotRow(rng.Next(), count);
}

// What the reply to a post is made of: the ring as it stood after the post, the poster's own
// lines, the newest number he was sent, and whether the check window opens.
struct Delivery {
  Value says;
  int row = 0;
  std::string own_lines;
  std::string newest;
  bool open_check = false;
};

// Stores the line in the ring (a public one; a private, robot or system line goes to the
// poster alone) and notes in his record what he was sent, all under the chat's mutex.
Delivery DeliverPost(lumochat& component, Application& app, const Clock& clock,
                     const PostLine& line, const std::string& robot_reply) {
  state::ChatState& chat = app.Chat(component.ConstStr);
  Delivery out;
  state::MutexLock lock(chat.mutex());
  messages::Ring ring;
  Date now = clock.Now();
  std::string time = component.GetTimeStr();
  bool said = false;
  if (!line.system_message.empty()) {
    out.own_lines = messages::SystemLine(line.system_message, component.MyName, time);
  } else if (line.towho == component.MyName) {
    out.own_lines = messages::PrivateLine(line.says, component.MyName, line.towho, line.color1,
                                          line.color2, line.act, time);
  } else if (line.towho == line.robot) {
    out.own_lines = messages::PrivateLine(line.says, component.MyName, line.towho, line.color1,
                                          line.color2, line.act, time) +
                    messages::PrivateLine(robot_reply, line.towho, component.MyName, line.color2,
                                          line.color1, line.raw_act, time);
  } else {
    const messages::RingLine said_line{.who = component.MyName,
                                       .to_who = line.towho,
                                       .secret = line.secret,
                                       .room = component.room_id,
                                       .text = line.says,
                                       .color1 = line.color1,
                                       .color2 = line.color2,
                                       .act = line.act};
    ring = messages::AppendLines(component, app, chat, {&said_line, 1});
    said = true;
  }

  if (!said) {
    ring = {app.Get(app_key::AppKey(component.ConstStr, app_key::kSays)),
            app.Get(app_key::AppKey(component.ConstStr, app_key::kCurrent))};
  }
  out.says = std::move(ring.says);
  out.row = messages::CurrentRow(ring.current);
  std::string clock_key = app_key::AppKey(component.ConstStr, app_key::kChatroomClock);
  if (convert::DateDiff(convert::Interval::kSecond, convert::ToDate(app.Get(clock_key)), now) >
      60) {
    out.open_check = true;
    app.Set(clock_key, Value(now));
  }
  out.newest = convert::ToText(messages::NumberAt(out.says, out.row));
  StorePosterRecord(chat, component.MyName, now, out.newest, said);
  return out;
}

// The rest of the reply script: the poster's new `rows`, his own lines, the check window and
// the newest number.
std::string ReplyScript(const Delivery& delivery, const std::string& rows) {
  std::string out = rows == "''" ? "" : "parent.addsay(" + rows + ");";
  out += delivery.own_lines;
  if (delivery.open_check) out += "window.open('usercheck.asp','usercheck');";
  out.append("parent.ref(").append(delivery.newest).append(");</script>");
  return out;
}

}  // namespace

std::string lumochat::subsay(Application& TheApplication, Session& TheSession,
                             Request& TheRequest) {
  FilterStr = app_key::SettingText(TheApplication, ConstStr, app_key::kSaysFilterStr);
  Value enable = TheApplication.Get(Key(app_key::kEnableSaysFilter));
  std::string page = std::string(messages::kPageHead).append(messages::kPollHead);
  PostLine line;
  // "id" is read only once the line was settled or is about to be stored.
  const auto reply = [&](const std::string& robot_reply) {
    const int sayid = convert::ToInt32(TheRequest.Item("id"));
    const Delivery delivery = DeliverPost(*this, TheApplication, clock_, line, robot_reply);
    // The ring is an immutable array: the page is made from the rows read above, unlocked.
    return page.append(ReplyScript(delivery, GetNewSays(delivery.says, delivery.row, sayid)));
  };
  const std::string raw_says = convert::ToText(TheRequest.Form("says"));
  const bool command = moderation::IsCommand(strings::Trim(raw_says));
  state::PostVerdict verdict;
  {
    state::ChatState& chat = TheApplication.Chat(ConstStr);
    state::MutexLock lock(chat.mutex());
    line.level = TakeVisitor(messages::FindVisitor(TheSession, chat));
    if (line.level == 0) return page.append(messages::kNotLoggedInRedirect);
    verdict = state::CheckPost(TheApplication, chat, ConstStr, MyName, clock_.Now());
    if (verdict == state::PostVerdict::kPass && !command) {
      ReadLine(*this, TheApplication, chat, TheRequest, enable, line);
    }
  }
  // A flood or a moderation command is answered to the poster alone; nothing is stored.
  if (verdict != state::PostVerdict::kPass || command) {
    line.system_message = SettlePost(TheApplication, TheSession, ConstStr, clock_, verdict, MyName,
                                     raw_says, room_id);
    return reply("");
  }

  db::Connection& conn = OpenConn(TheApplication);
  if (!line.title.empty()) messages::StoreTitle(conn, line.title, room_id);
  if (line.action_pending) messages::ResolveAction(*this, conn, enable, line);
  std::string robot_reply;
  if (line.system_message.empty() && line.towho != MyName && line.towho == line.robot) {
    robot_reply = messages::RobotReply(*this, conn, enable,
                                       DrawRobotRow(TheApplication, ConstStr, clock_, *rng_));
  }
  return reply(robot_reply);
}

}  // namespace ravochat
