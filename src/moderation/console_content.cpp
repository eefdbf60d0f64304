// The operator's console for what the chat shows: rooms, scrolling notices, chat actions and
// the robots' sayings. Texts that later travel inside the chat's script strings are checked
// here; every change is logged as the operator's.
#include <algorithm>

#include "core/app_keys.h"
#include "core/convert.h"
#include "core/records.h"
#include "core/room_record.h"
#include "core/strings.h"
#include "ravochat/administration.h"
#include "ravochat/lumochat.h"
#include "state/chat_state.h"

namespace ravochat::administration {
namespace {

using moderation::Outcome;

constexpr std::size_t kRoomNameLength = 20;
constexpr std::size_t kActionNameLength = 10;
constexpr std::size_t kTextLength = 200;

Outcome Refused(std::string_view text) { return Outcome{false, std::string(text)}; }

// A text the chat page writes into a script string or a keyed list as it is.
bool PlainText(const std::string& text) {
  return text.find_first_of("'\"\\<>$") == std::string::npos;
}

bool SafeLink(const std::string& link) {
  const std::string low = strings::ToLowerAscii(link);
  if (low.starts_with("http://") || low.starts_with("https://")) return PlainText(link);
  return PlainText(link) && low.find(':') == std::string::npos;
}

std::int64_t Whole(const Value& v) { return static_cast<std::int64_t>(convert::ToDouble(v)); }

}  // namespace

Outcome Console::CreateRoom(const std::string& name, const std::string& owner,
                            const std::string& robot, const std::string& description) {
  const std::string room = strings::Trim(name);
  if (room.empty() || strings::Length(room) > kRoomNameLength || !PlainText(room) ||
      !PlainText(owner) || !PlainText(robot) || !PlainText(description)) {
    return Refused("房间名必须是1到20个字符，各项都不能含有引号、尖括号、$或反斜杠");
  }
  db::Recordset top = conn_->Execute("SELECT coalesce(max(ID), 0) + 1 AS id FROM room");
  const std::int64_t id = Whole(top.Field("id"));
  const std::string now = convert::DateToText(clock_->Now());
  conn_->Execute(
      "INSERT INTO room (ID, room_name, room_owner, room_auto, room_des, room_top, room_title, "
      "room_keep, room_time, room_tt, room_html, room_exp, build_time, permit_level, door_open) "
      "VALUES (?, ?, ?, ?, ?, '', '', 1, ?, '0', '0', 0, ?, 0, 1)",
      {Value(id), Value(room), Value(strings::Trim(owner)), Value(strings::Trim(robot)),
       Value(strings::Trim(description)), Value(now), Value(now)});
  db::Recordset row = conn_->Execute("SELECT * FROM room WHERE ID=?", {Value(id)});
  {
    state::ChatState& chat = app_->Chat(prefix_);
    state::MutexLock lock(chat.mutex());
    chat.Append(state::List::kRooms, std::to_string(id), RoomFields(row));
  }
  return Logged(moderation::kRoomMadeLog, room, "开设房间%%");
}

Outcome Console::DeleteRoom(std::int32_t id) {
  const std::string key = std::to_string(id);
  std::string name;
  {
    state::ChatState& chat = app_->Chat(prefix_);
    state::MutexLock lock(chat.mutex());
    if (!chat.Contains(state::List::kRooms, key)) return Refused("没有这个房间");
    if (chat.OccupantCount(key) > 0) return Refused("房间里还有人");
    if (chat.Count(state::List::kRooms) < 2) return Refused("不能删除最后一个房间");
    name = chat.Field(state::List::kRooms, key, room_field::kName);
    chat.Remove(state::List::kRooms, key);
  }
  conn_->Execute("DELETE FROM room WHERE ID=?", {Value(id)});
  return Logged(moderation::kRoomDeletedLog, name, "删除房间%%");
}

std::vector<NoticeRow> Console::Notices() {
  db::Recordset rs = conn_->Execute("SELECT ID, ad_title, ad_link FROM scrollad ORDER BY ID DESC");
  std::vector<NoticeRow> rows;
  for (; !rs.Eof(); rs.MoveNext()) {
    rows.push_back({Whole(rs.Field("ID")), convert::ToText(rs.Field("ad_title")),
                    convert::ToText(rs.Field("ad_link"))});
  }
  return rows;
}

Outcome Console::AddNotice(const std::string& title, const std::string& link) {
  const std::string text = strings::Trim(title);
  if (text.empty() || strings::Length(text) > kTextLength || !PlainText(text)) {
    return Refused("公告不能为空，不能含有引号、尖括号、$或反斜杠");
  }
  if (!SafeLink(strings::Trim(link))) return Refused("链接只能是本站的地址或http(s)地址");
  conn_->Execute("INSERT INTO scrollad (ad_title, ad_link) VALUES (?, ?)",
                 {Value(text), Value(strings::Trim(link))});
  Reload();
  return Logged(moderation::kContentLog, text, "发布公告%%");
}

Outcome Console::RemoveNotice(std::int64_t id) {
  db::Recordset rs = conn_->Execute("SELECT ad_title FROM scrollad WHERE ID=?", {Value(id)});
  if (rs.Eof()) return Refused("没有这条公告");
  const std::string title = convert::ToText(rs.Field("ad_title"));
  conn_->Execute("DELETE FROM scrollad WHERE ID=?", {Value(id)});
  Reload();
  return Logged(moderation::kContentLog, title, "撤下公告%%");
}

std::vector<ActionRow> Console::Actions() {
  db::Recordset rs =
      conn_->Execute("SELECT act_name, toall, toself, toother FROM action ORDER BY act_name");
  std::vector<ActionRow> rows;
  for (; !rs.Eof(); rs.MoveNext()) {
    rows.push_back({convert::ToText(rs.Field("act_name")), convert::ToText(rs.Field("toall")),
                    convert::ToText(rs.Field("toself")), convert::ToText(rs.Field("toother"))});
  }
  return rows;
}

Outcome Console::SaveAction(const ActionRow& row) {
  const std::string name = strings::Trim(row.name);
  if (name.empty() || name.find(' ') != std::string::npos ||
      strings::Length(name) > kActionNameLength || name.starts_with("/") || !PlainText(name)) {
    return Refused("动作名必须是1到10个字符的一个词");
  }
  for (const std::string* text : {&row.to_all, &row.to_self, &row.to_other}) {
    if (strings::Trim(*text).empty() || strings::Length(*text) > kTextLength) {
      return Refused("三句动作文字都不能为空");
    }
  }
  conn_->Execute("DELETE FROM action WHERE act_name=?", {Value(name)});
  conn_->Execute("INSERT INTO action (act_name, toall, toself, toother) VALUES (?, ?, ?, ?)",
                 {Value(name), Value(row.to_all), Value(row.to_self), Value(row.to_other)});
  return Logged(moderation::kContentLog, name, "保存动作%%");
}

Outcome Console::RemoveAction(const std::string& name) {
  db::Recordset rs =
      conn_->Execute("SELECT count(*) AS n FROM action WHERE act_name=?", {Value(name)});
  if (Whole(rs.Field("n")) == 0) return Refused("没有这个动作");
  conn_->Execute("DELETE FROM action WHERE act_name=?", {Value(name)});
  return Logged(moderation::kContentLog, name, "删除动作%%");
}

std::vector<SayingRow> Console::Sayings() {
  db::Recordset rs = conn_->Execute("SELECT id, text_body FROM autoact ORDER BY id");
  std::vector<SayingRow> rows;
  for (; !rs.Eof(); rs.MoveNext()) {
    rows.push_back({Whole(rs.Field("id")), convert::ToText(rs.Field("text_body"))});
  }
  return rows;
}

Outcome Console::AddSaying(const std::string& text) {
  const std::string saying = strings::Trim(text);
  if (saying.empty() || strings::Length(saying) > kTextLength) return Refused("内容不能为空");
  db::Recordset count = conn_->Execute("SELECT count(*) AS n FROM autoact");
  const std::int64_t id = Whole(count.Field("n"));
  conn_->Execute("INSERT INTO autoact (id, text_body) VALUES (?, ?)", {Value(id), Value(saying)});
  app_->Set(app_key::AppKey(prefix_, app_key::kAutosayCount), Value(id + 1));
  return Logged(moderation::kContentLog, saying, "添加机器人说话%%");
}

Outcome Console::RemoveSaying(std::int64_t id) {
  db::Recordset rs = conn_->Execute("SELECT text_body FROM autoact WHERE id=?", {Value(id)});
  if (rs.Eof()) return Refused("没有这句话");
  const std::string text = convert::ToText(rs.Field("text_body"));
  conn_->Execute("DELETE FROM autoact WHERE id=?", {Value(id)});
  // The last saying takes the free id, so that the ids stay 0 to the count minus 1.
  db::Recordset count = conn_->Execute("SELECT count(*) AS n FROM autoact");
  const std::int64_t n = Whole(count.Field("n"));
  conn_->Execute("UPDATE autoact SET id=? WHERE id=?", {Value(id), Value(n)});
  app_->Set(app_key::AppKey(prefix_, app_key::kAutosayCount), Value(n));
  return Logged(moderation::kContentLog, text, "删除机器人说话%%");
}

}  // namespace ravochat::administration
