// The actions on a room: its door, its robot's name and its title. Each changes the room's
// record in the room list and its row in the room table, and tells the room.
#include "core/app_keys.h"
#include "core/convert.h"
#include "core/records.h"
#include "core/strings.h"
#include "messages/posting.h"
#include "moderation/moderation_texts.h"
#include "moderation/room_line.h"
#include "ravochat/lumochat.h"
#include "ravochat/moderation.h"

namespace ravochat::moderation {
namespace {

Outcome Refused(std::string_view text) { return Outcome{false, std::string(text)}; }

}  // namespace

Outcome Moderator::SetDoor(std::int32_t room, bool open) {
  if (!May(Action::kDoor)) return Refused(texts::kNotAllowed);
  const std::optional<std::string> room_name = RoomName(room);
  if (!room_name) return Refused(texts::kNoSuchRoom);
  ChangeRoom(room, room_field::kDoorOpen, "door_open", open ? "1" : "0");
  {
    state::ChatState& chat = app_->Chat(prefix_);
    state::MutexLock lock(chat.mutex());
    lumochat component(*clock_);
    component.ConstStr = prefix_;
    const std::string_view text = open ? texts::kDoorOpenedLine : texts::kDoorClosedLine;
    PostRoomLine(component, *app_, chat, {name_, *room_name, room, std::string(text)});
  }
  const std::string act = open ? "打开房间%%的门" : "关上房间%%的门";
  Log(kDoorLog, *room_name, *room_name, "", act);
  return Outcome{true, strings::Replace(act, "%%", *room_name)};
}

Outcome Moderator::SetRobot(std::int32_t room, const std::string& robot) {
  if (!May(Action::kRobot)) return Refused(texts::kNotAllowed);
  const std::optional<std::string> room_name = RoomName(room);
  if (!room_name) return Refused(texts::kNoSuchRoom);
  const std::string name = strings::Trim(robot);
  lumochat component(*clock_);
  component.ConstStr = prefix_;
  std::string enabled = Setting(app_key::kUserNameEnable);
  if (name.empty() || strings::Length(name) > kNameLength ||
      component.Chuser(strings::ToLowerAscii(name), enabled)) {
    return Refused(texts::kBadRobot);
  }
  ChangeRoom(room, room_field::kRobot, "room_auto", name);
  {
    state::ChatState& chat = app_->Chat(prefix_);
    state::MutexLock lock(chat.mutex());
    PostRoomLine(component, *app_, chat, {name_, name, room, std::string(texts::kRobotLine)});
  }
  const std::string act = "把房间" + *room_name + "的机器人改名为%%";
  Log(kRobotLog, *room_name, name, "", act);
  return Outcome{true, strings::Replace(act, "%%", name)};
}

Outcome Moderator::SetTitle(std::int32_t room, const std::string& title) {
  if (!May(Action::kTitle)) return Refused(texts::kNotAllowed);
  const std::optional<std::string> room_name = RoomName(room);
  if (!room_name) return Refused(texts::kNoSuchRoom);
  lumochat component(*clock_);
  component.ConstStr = prefix_;
  const double most = convert::ToDouble(app_->Get(app_key::AppKey(prefix_, app_key::kTitleLength)));
  std::string cut =
      strings::Left(strings::Trim(title), most > 0 ? static_cast<std::size_t>(most) : 0);
  if (cut.empty()) return Refused(texts::kEmptyTitle);
  const std::string text = messages::TitleText(component.trDb(cut), name_, component.GetTimeStr());
  ChangeRoom(room, room_field::kTitle, "room_title", text);
  {
    state::ChatState& chat = app_->Chat(prefix_);
    state::MutexLock lock(chat.mutex());
    PostRoomLine(component, *app_, chat,
                 {name_, std::string(messages::kEveryone), room, messages::TitleSays(text),
                  messages::kActTitle});
  }
  Log(kTitleLog, *room_name, *room_name, "", "设置房间%%的标题");
  return Outcome{true, "设置房间" + *room_name + "的标题"};
}

}  // namespace ravochat::moderation
