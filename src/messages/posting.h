// One posted line on its way through subsay: its working values, and the rules for the
// lines that leave the ordinary pipeline (room title, command or action, robot answer).
// The rules here read nothing shared; the caller holds the application lock where needed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "messages/says_ring.h"
#include "ravochat/database.h"
#include "ravochat/lumochat.h"
#include "ravochat/value.h"

namespace ravochat::messages {

inline constexpr std::string_view kEveryone = "大家";

// Act codes of the lines posting makes.
inline constexpr std::int32_t kActTitle = kSystemAct;
inline constexpr std::int32_t kActSystem = -2;
inline constexpr std::int32_t kActCommand = -1;

// The working values of one post.
struct PostLine {
  int level = 0;
  bool is_owner = false;
  std::string robot;  // the room robot's name
  std::string says;
  std::string towho;
  int secret = 0;
  std::string color1, color2;
  std::int32_t act = 0;
  std::int32_t raw_act = 0;  // "addsays" as sent, before any change
  std::string kind;          // "toall", "toself" or "toother"
  std::string system_message;
  std::string title;            // the new room title, when the line sets it
  bool action_pending = false;  // a "/name" line whose action text is still to be read
};

// --- Room title ---

// The title: `text` (already cut and escaped) + "<font style=color:990099>(" + name + "," +
// time + ")</font>".
std::string TitleText(std::string_view text, std::string_view name, std::string_view time);
// The line that announces `title` to the room:
// "<\script>parent.chftitle(\'" + title + "\')</\script>".
std::string TitleSays(std::string_view title);
// Writes `title` into the room row `room`. Throws DatabaseError.
void StoreTitle(db::Connection& conn, std::string_view title, std::int32_t room);

// --- Commands ---

// Applies a line that begins with "/": act code -1; a "//" line becomes its text with "##"
// appended unless it holds one; a "/name" line is left for ResolveAction.
void StartCommand(PostLine& line);
// Reads the text of the "/name [all|self]" action from the action table: says becomes the
// text escaped by TrStr + "<font color=990099>[/name]</font>", or the system message
// "【系统】没有动作「name」！" when there is no such action. Throws DatabaseError.
void ResolveAction(lumochat& chat, db::Connection& conn, const Value& enablesaysfilter,
                   PostLine& line);

// --- Robot ---

// The robot's row for a draw `r` in [0, 1) among `count` rows: floor(r * count - 1) + 1,
// so 0 to count - 1.
std::int32_t RobotRow(double r, double count);
// The robot's reply from row `row` of the autoact table escaped by TrStr, or
// "我什么都不知道，真的，不骗你！" when there is no such row. Throws DatabaseError.
std::string RobotReply(lumochat& chat, db::Connection& conn, const Value& enablesaysfilter,
                       std::int32_t row);

// --- Lines for the poster alone ---

// parent.addsay(-1,'says','from','to',1,'c1','c2',act,'time'); a private line.
std::string PrivateLine(std::string_view says, std::string_view from, std::string_view to,
                        std::string_view c1, std::string_view c2, std::int32_t act,
                        std::string_view time);
// parent.addsay(-1,'message','','name',0,'990066','',-2,'time'); a system line.
std::string SystemLine(std::string_view message, std::string_view name, std::string_view time);

}  // namespace ravochat::messages
