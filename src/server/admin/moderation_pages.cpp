// The moderation tools of the chat window: modacts.asp tells the window which actions its
// visitor may take (the people list offers "管理" only then), and modtools.asp, opened in the
// list frame for the chosen person, takes them with the session's form token.
#include "admin/admin_site.h"
#include "member_pages/member_page.h"
#include "pages.h"
#include "transport/form_token.h"
#include "transport/markup.h"

namespace ravochat::server::pages {
namespace {

using moderation::Action;

std::optional<moderation::Moderator> FindModerator(Page& page) {
  return moderation::Moderator::Find(page.app(), page.session(), page.chat().prefix,
                                     page.services().clock);
}

moderation::Outcome Take(Page& page, moderation::Moderator& m) {
  const std::string what = page.Item("do");
  const std::string name = page.Item("towho");
  const std::int32_t room = page.component().VisitorRoom(page.app(), page.session());
  const auto number = admin::Number(page, "n", 0, 525600);
  if (what == "door") return m.SetDoor(room, page.Item("open") == "1");
  if (what == "robot") return m.SetRobot(room, page.Item("text"));
  if (what == "title") return m.SetTitle(room, page.Item("text"));
  if (!number) return moderation::Outcome{false, "数值不对，没有执行"};
  if (what == "lock") return m.LockAddress(page.Item("text"), *number);
  if (what == "kick") return m.Kick(name, *number, page.Item("text"));
  if (what == "freeze") return m.Freeze(name, *number, page.Item("text"));
  return m.GiveLevel(name, *number);
}

// One form of the tools: the token, the chosen person, do=`what`, `fields` and a button.
std::string Tool(Page& page, std::string_view what, const std::string& towho,
                 std::string_view fields, std::string_view button) {
  return "<form method=post action=modtools.asp class=tool>" + FormTokenInput(page.session()) +
         "<input type=hidden name=do value=" + std::string(what) +
         "><input type=hidden name=towho value='" + HtmlEscape(towho) + "'>" + std::string(fields) +
         "<input type=submit value='" + std::string(button) + "'></form>";
}

std::string Tools(Page& page, const moderation::Moderator& m, const std::string& towho) {
  const auto number = [](std::string_view label, int value) {
    return std::string(label) + "<input type=number name=n value=" + std::to_string(value) +
           " min=0> ";
  };
  const std::string reason = "<input type=text name=text placeholder=原因> ";
  std::string html;
  if (!towho.empty() && towho != "大家") {
    html += "<h2>对" + HtmlEscape(towho) + "</h2>";
    if (m.May(Action::kKick))
      html += Tool(page, "kick", towho, number("分钟", 10) + reason, "踢出");
    if (m.May(Action::kFreeze))
      html += Tool(page, "freeze", towho, number("天（0为永久）", 1) + reason, "冻结");
    if (m.May(Action::kLevel)) html += Tool(page, "level", towho, number("临时级别", 6), "给级别");
  }
  if (m.May(Action::kLock))
    html += Tool(page, "lock", towho,
                 "<input type=text name=text placeholder=地址> " + number("分钟", 60), "封锁地址");
  html += "<h2>本房间</h2>";
  if (m.May(Action::kDoor)) {
    html += Tool(page, "door", towho, "<input type=hidden name=open value=1>", "开门") +
            Tool(page, "door", towho, "<input type=hidden name=open value=0>", "关门");
  }
  if (m.May(Action::kRobot))
    html +=
        Tool(page, "robot", towho, "<input type=text name=text placeholder=机器人名字> ", "改名");
  if (m.May(Action::kTitle))
    html += Tool(page, "title", towho, "<input type=text name=text placeholder=标题> ", "设标题");
  return html;
}

}  // namespace

HttpResponse ModActs(Page& page) {
  std::string names;
  if (std::optional<moderation::Moderator> m = FindModerator(page)) {
    for (Action action : m->Allowed()) {
      if (!names.empty()) names += ",";
      names += moderation::ActionName(action);
    }
  }
  HttpResponse response;
  response.content_type = "text/plain; charset=utf-8";
  response.headers.emplace_back("Cache-Control", "no-store");
  response.body = names;
  return response;
}

HttpResponse ModTools(Page& page) {
  std::optional<moderation::Moderator> m = FindModerator(page);
  if (!m) return NotInChat(page);
  if (m->Allowed().empty()) return MemberPage(page, "管理", "", "<p>你没有管理权限。</p>");
  std::string message;
  if (page.http().method == "POST") {
    message = FormAccepted(page) ? admin::Message(Take(page, *m)) : admin::Expired();
  }
  return MemberPage(page, "管理", message, Tools(page, *m, page.Item("towho")));
}

}  // namespace ravochat::server::pages
