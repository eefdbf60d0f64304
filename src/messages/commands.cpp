// The special lines of posting: room titles, commands and actions, the robot's answers, and
// the private lines that only the poster's reply page carries. Every value from a visitor
// reaches the database as a bound parameter.
#include <cmath>
#include <string>
#include <vector>

#include "core/convert.h"
#include "core/strings.h"
#include "messages/posting.h"

namespace ravochat::messages {
namespace {

constexpr std::string_view kRobotFallback = "我什么都不知道，真的，不骗你！";

// The action table column for a target kind; the kind never comes from the request as text.
std::string_view ActionColumn(std::string_view kind) {
  if (kind == "toall") return "toall";
  if (kind == "toself") return "toself";
  return "toother";
}

}  // namespace

std::string TitleText(std::string_view text, std::string_view name, std::string_view time) {
  std::string title(text);
  title.append("<font style=color:990099>(").append(name).append(",").append(time);
  title.append(")</font>");
  return title;
}

std::string TitleSays(std::string_view title) {
  return std::string("<\\script>parent.chftitle(\\'").append(title).append("\\')</\\script>");
}

void StoreTitle(db::Connection& conn, std::string_view title, std::int32_t room) {
  conn.Execute("UPDATE room SET room_title=? WHERE ID=?", {Value(title), Value(room)});
}

void StartCommand(PostLine& line) {
  line.act = kActCommand;
  if (line.says.starts_with("//")) {
    line.says.erase(0, 2);
    if (line.says.find("##") == std::string::npos) line.says += "##";
    return;
  }
  line.action_pending = true;
}

void ResolveAction(lumochat& chat, db::Connection& conn, const Value& enablesaysfilter,
                   PostLine& line) {
  line.action_pending = false;
  std::vector<std::string> words = strings::Split(line.says + " ", " ");
  std::string name = words.at(0).substr(1);  // without the leading "/"
  std::string target = strings::Trim(words.at(1));
  if (target == "all") line.kind = "toall";
  if (target == "self") line.kind = "toself";

  std::string_view column = ActionColumn(line.kind);
  db::Recordset rs = conn.Execute("SELECT " + std::string(column) + " FROM action WHERE act_name=?",
                                  {Value(name)});
  if (rs.Eof()) {
    line.system_message = "【系统】没有动作「" + name + "」！";
    return;
  }
  std::string text = convert::ToText(rs.Field(column));
  line.says = chat.TrStr(text, enablesaysfilter) + "<font color=990099>[/" + name + "]</font>";
}

std::int32_t RobotRow(double r, double count) {
  return static_cast<std::int32_t>(std::floor(r * count - 1)) + 1;
}

std::string RobotReply(lumochat& chat, db::Connection& conn, const Value& enablesaysfilter,
                       std::int32_t row) {
  db::Recordset rs = conn.Execute("SELECT text_body FROM autoact WHERE id=?", {Value(row)});
  if (rs.Eof()) return std::string(kRobotFallback);
  std::string text = convert::ToText(rs.Field("text_body"));
  return chat.TrStr(text, enablesaysfilter);
}

std::string PrivateLine(std::string_view says, std::string_view from, std::string_view to,
                        std::string_view c1, std::string_view c2, std::int32_t act,
                        std::string_view time) {
  std::string out("parent.addsay(-1,'");
  out.append(says).append("','").append(from).append("','").append(to).append("',1,'");
  out.append(c1).append("','").append(c2).append("',").append(std::to_string(act));
  out.append(",'").append(time).append("');");
  return out;
}

std::string SystemLine(std::string_view message, std::string_view name, std::string_view time) {
  std::string out("parent.addsay(-1,'");
  out.append(message).append("','','").append(name).append("',0,'990066','',-2,'");
  out.append(time).append("');");
  return out;
}

}  // namespace ravochat::messages
