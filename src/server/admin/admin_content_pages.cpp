// The administration pages of what the chat shows besides its lines: the scrolling notices,
// the chat actions and the robots' sayings.
#include "admin/admin_site.h"
#include "ravochat/administration.h"
#include "transport/markup.h"

namespace ravochat::server::admin {
namespace {

std::string Hidden(std::string_view name, std::string_view value) {
  return "<input type=hidden name=" + std::string(name) + " value='" + HtmlEscape(value) + "'>";
}

moderation::Outcome ChangeContent(Page& page, administration::Console& console) {
  const std::string what = page.Item("do");
  const auto id = Number(page, "id", 0, 2147483647);
  if (what == "addnotice") return console.AddNotice(page.Item("title"), page.Item("link"));
  if (what == "addaction") {
    return console.SaveAction(
        {page.Item("name"), page.Item("toall"), page.Item("toself"), page.Item("toother")});
  }
  if (what == "removeaction") return console.RemoveAction(page.Item("name"));
  if (what == "addsaying") return console.AddSaying(page.Item("text"));
  if (!id) return moderation::Outcome{false, "数值不对，没有执行"};
  if (what == "removenotice") return console.RemoveNotice(*id);
  return console.RemoveSaying(*id);
}

std::string Answer(Page& page, administration::Console& console) {
  if (page.http().method != "POST") return "";
  return FormAccepted(page) ? Message(ChangeContent(page, console)) : Expired();
}

}  // namespace

HttpResponse Notices(Page& page) {
  if (!Allowed(page)) return Refuse(page);
  administration::Console console = ConsoleOf(page);
  const std::string message = Answer(page, console);
  std::string rows;
  for (const administration::NoticeRow& n : console.Notices()) {
    rows += "<tr>" + Cell(n.title) + Cell(n.link) + "<td>" +
            Form(page, "notices.asp", "removenotice", Hidden("id", std::to_string(n.id)), "撤下") +
            "</td></tr>";
  }
  return Frame(page, "滚动公告", message,
               Form(page, "notices.asp", "addnotice",
                    "公告：<input type=text class=wide name=title> 链接：<input type=text "
                    "name=link> ",
                    "发布") +
                   "<p>聊天页面显示最新的6条。</p><table id=notices><tr><th>公告</th><th>链接</th>"
                   "<th></th></tr>" +
                   rows + "</table>");
}

HttpResponse Actions(Page& page) {
  if (!Allowed(page)) return Refuse(page);
  administration::Console console = ConsoleOf(page);
  const std::string message = Answer(page, console);
  std::string actions;
  for (const administration::ActionRow& a : console.Actions()) {
    actions += "<tr>" + Cell(a.name) + Cell(a.to_all) + Cell(a.to_self) + Cell(a.to_other) +
               "<td>" + Form(page, "actions.asp", "removeaction", Hidden("name", a.name), "删除") +
               "</td></tr>";
  }
  std::string sayings;
  for (const administration::SayingRow& s : console.Sayings()) {
    sayings +=
        "<tr>" + Cell(std::to_string(s.id)) + Cell(s.text) + "<td>" +
        Form(page, "actions.asp", "removesaying", Hidden("id", std::to_string(s.id)), "删除") +
        "</td></tr>";
  }
  return Frame(
      page, "动作和机器人", message,
      "<h2>动作</h2><p>##代表说话人，%%代表对象。</p>" +
          Form(page, "actions.asp", "addaction",
               "名字：<input type=text name=name> 对大家：<input type=text name=toall> "
               "对自己：<input type=text name=toself> 对别人：<input type=text name=toother> ",
               "保存动作") +
          "<table id=actions><tr><th>名字</th><th>对大家</th><th>对自己</th><th>对别人</th>"
          "<th></th></tr>" +
          actions + "</table><h2>机器人说话</h2>" +
          Form(page, "actions.asp", "addsaying", "<input type=text class=wide name=text> ",
               "添加") +
          "<table id=sayings><tr><th>号</th><th>内容</th><th></th></tr>" + sayings + "</table>");
}

}  // namespace ravochat::server::admin
