// The administration pages about people: the visitors online (sending one out), the user
// accounts (level, unfreezing, freezing, deleting) and the address locks. Every change is a
// POST with the operator session's token and goes through the library's console or the
// operator's moderation actions.
#include "admin/admin_site.h"
#include "ravochat/administration.h"
#include "transport/markup.h"

namespace ravochat::server::admin {
namespace {

const moderation::Outcome kBadNumber{false, "数值不对，没有执行"};

std::string NameField(std::string_view name) {
  return "<input type=hidden name=name value='" + HtmlEscape(name) + "'>";
}

std::string AccountState(const administration::UserSummary& u) {
  if (u.out_info == moderation::kOutKicked) return "踢出至" + u.out_time;
  if (u.out_info == moderation::kOutFrozen) return "冻结至" + u.out_time;
  if (u.out_info == moderation::kOutFrozenForGood) return "永久冻结";
  return "正常";
}

// The change the accounts form asks for.
moderation::Outcome ChangeAccount(Page& page, administration::Console& console) {
  const std::string what = page.Item("do");
  const std::string name = page.Item("name");
  if (what == "level") {
    const auto level = Number(page, "level", 0, 99);
    return level ? console.SetUserLevel(name, *level) : kBadNumber;
  }
  if (what == "unfreeze") return console.Unfreeze(name);
  if (what == "delete") return console.DeleteUser(name);
  if (what == "freeze") {
    const auto days = Number(page, "days", 0, 3650);
    return days ? Operator(page).Freeze(name, *days, page.Item("reason")) : kBadNumber;
  }
  return moderation::Outcome{false, "不知道要做什么"};
}

}  // namespace

HttpResponse Visitors(Page& page) {
  if (!Allowed(page)) return Refuse(page);
  const std::string message = Posted(page, [&] {
    const auto minutes = Number(page, "minutes", 1, 10080);
    return minutes ? Message(Operator(page).Kick(page.Item("name"), *minutes, page.Item("reason")))
                   : Message(kBadNumber);
  });
  std::string rows;
  for (const administration::OnlineVisitor& v : ConsoleOf(page).Online()) {
    rows += "<tr>" + Cell(v.name) + Cell(v.room) + Cell(v.level) + Cell(v.address) +
            Cell(v.login_time) + Cell(v.last_seen) + "<td>" +
            Form(page, "visitors.asp", "kick",
                 NameField(v.name) +
                     "<input type=number name=minutes value=10 min=1> 分钟 "
                     "<input type=text name=reason placeholder=原因> ",
                 "踢出") +
            "</td></tr>";
  }
  if (rows.empty()) rows = "<tr><td colspan=7>现在没有人在线。</td></tr>";
  return Frame(page, "在线聊友", message,
               "<table id=visitors><tr><th>名字</th><th>房间</th><th>级别</th><th>地址</th>"
               "<th>登录时间</th><th>最后活动</th><th>踢出</th></tr>" +
                   rows + "</table>");
}

HttpResponse Accounts(Page& page) {
  if (!Allowed(page)) return Refuse(page);
  administration::Console console = ConsoleOf(page);
  const std::string message = Posted(page, [&] { return Message(ChangeAccount(page, console)); });
  const std::string part = page.Item("q");
  std::string rows;
  for (const administration::UserSummary& u : console.FindUsers(part)) {
    const std::string name = NameField(u.name);
    rows +=
        "<tr>" + Cell(u.name) + Cell(u.last_ip) + Cell(std::to_string(u.visits)) +
        Cell(AccountState(u)) + "<td>" +
        Form(page, "accounts.asp", "level",
             name + "<input type=number name=level value='" + HtmlEscape(u.level) + "'> ",
             "设级别") +
        "</td><td>" +
        (u.out_info >= moderation::kOutKicked ? Form(page, "accounts.asp", "unfreeze", name, "解冻")
                                              : Form(page, "accounts.asp", "freeze",
                                                     name + "<input type=number name=days "
                                                            "value=1 min=0> 天 ",
                                                     "冻结")) +
        " " + Form(page, "accounts.asp", "delete", name, "删除") + "</td></tr>";
  }
  return Frame(page, "用户管理", message,
               "<form method=get action=accounts.asp>名字包含：<input type=text name=q value='" +
                   HtmlEscape(part) +
                   "'> <input type=submit value=查找></form><p>最多显示100个，天数0为永久冻结。"
                   "</p><table id=accounts><tr><th>名字</th><th>最后地址</th><th>来访</th>"
                   "<th>状态</th><th>级别</th><th>处理</th></tr>" +
                   rows + "</table>");
}

HttpResponse Locks(Page& page) {
  if (!Allowed(page)) return Refuse(page);
  administration::Console console = ConsoleOf(page);
  const std::string message = Posted(page, [&] {
    if (page.Item("do") == "remove") {
      const auto id = Number(page, "id", 0, 2147483647);
      return Message(id ? console.RemoveLock(*id) : kBadNumber);
    }
    const auto minutes = Number(page, "minutes", 1, 525600);
    return Message(minutes
                       ? Operator(page).LockAddress(page.Item("ip"), *minutes, page.Item("reason"))
                       : kBadNumber);
  });
  std::string rows;
  for (const administration::AddressLockRow& lock : console.Locks()) {
    rows += "<tr>" + Cell(lock.ip) + Cell(lock.end_time) + Cell(std::to_string(lock.level)) +
            "<td>" +
            Form(page, "locks.asp", "remove",
                 "<input type=hidden name=id value=" + std::to_string(lock.id) + ">", "解除") +
            "</td></tr>";
  }
  return Frame(page, "地址封锁", message,
               Form(page, "locks.asp", "add",
                    "地址或前缀：<input type=text name=ip> 分钟：<input type=number name=minutes "
                    "value=60 min=1> 原因：<input type=text name=reason> ",
                    "封锁") +
                   "<p>新用户和级别低于封锁级别的老用户不能从这些地址登录。</p><table id=locks>"
                   "<tr><th>地址</th><th>到期</th><th>级别</th><th></th></tr>" +
                   rows + "</table>");
}

}  // namespace ravochat::server::admin
