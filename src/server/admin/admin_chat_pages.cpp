// The administration pages about the chat itself: rooms (door, robot, title), settings with a
// reload that drops nobody, the management log, today's maintenance and the statistics with
// the hourly logins drawn as an inline SVG bar chart.
#include <algorithm>

#include "admin/admin_site.h"
#include "ravochat/administration.h"
#include "ravochat/lumochat.h"
#include "transport/markup.h"

namespace ravochat::server::admin {
namespace {

moderation::Outcome ChangeRoom(Page& page) {
  const std::string what = page.Item("do");
  if (what == "create") {
    return ConsoleOf(page).CreateRoom(page.Item("name"), page.Item("owner"), page.Item("robot"),
                                      page.Item("des"));
  }
  const auto room = Number(page, "room", 0, 2147483647);
  if (!room) return moderation::Outcome{false, "没有这个房间"};
  if (what == "delete") return ConsoleOf(page).DeleteRoom(*room);
  if (what == "open" || what == "close") return Operator(page).SetDoor(*room, what == "open");
  if (what == "robot") return Operator(page).SetRobot(*room, page.Item("robot"));
  return Operator(page).SetTitle(*room, page.Item("title"));
}

// Bars of `hours` (oldest first), each labelled with its clock hour and count.
std::string HourChart(const std::vector<std::pair<int, std::int64_t>>& hours) {
  constexpr int kBarWidth = 26, kHeight = 160, kTop = 16, kBottom = 20;
  std::int64_t most = 1;
  for (const auto& [hour, count] : hours) most = std::max(most, count);
  const int width = static_cast<int>(hours.size()) * kBarWidth;
  std::string svg =
      "<svg id=hourchart xmlns='http://www.w3.org/2000/svg' width=" + std::to_string(width) +
      " height=" + std::to_string(kHeight + kTop + kBottom) +
      " role=img aria-label='每小时登录人数'>";
  for (std::size_t i = 0; i < hours.size(); ++i) {
    const auto [hour, count] = hours[i];
    const int h = static_cast<int>(count * kHeight / most);
    const int x = static_cast<int>(i) * kBarWidth;
    svg += "<rect class=bar x=" + std::to_string(x + 3) +
           " y=" + std::to_string(kTop + kHeight - h) + " width=" + std::to_string(kBarWidth - 6) +
           " height=" + std::to_string(h) + "><title>" + std::to_string(hour) + "点：" +
           std::to_string(count) + "人</title></rect>";
    svg += "<text class=num x=" + std::to_string(x + kBarWidth / 2) +
           " y=" + std::to_string(kTop + kHeight - h - 3) + " text-anchor=middle>" +
           std::to_string(count) + "</text>";
    svg += "<text class=axis x=" + std::to_string(x + kBarWidth / 2) +
           " y=" + std::to_string(kTop + kHeight + 14) + " text-anchor=middle>" +
           std::to_string(hour) + "</text>";
  }
  return svg + "</svg>";
}

}  // namespace

HttpResponse Rooms(Page& page) {
  if (!Allowed(page)) return Refuse(page);
  const std::string message = Posted(page, [&] { return Message(ChangeRoom(page)); });
  std::string rows;
  for (const lumochat::RoomView& room : page.component().RoomViews(page.app())) {
    const std::string id = "<input type=hidden name=room value=" + HtmlEscape(room.id) + ">";
    rows +=
        "<tr>" + Cell(room.id) + Cell(room.name) + Cell(std::to_string(room.people)) + "<td>" +
        Form(page, "roomadmin.asp", room.open ? "close" : "open", id, room.open ? "关门" : "开门") +
        "</td><td>" +
        Form(page, "roomadmin.asp", "robot", id + "<input type=text name=robot> ", "改名") +
        "</td><td>" +
        Form(page, "roomadmin.asp", "title", id + "<input type=text name=title> ", "设标题") +
        "</td><td>" + Form(page, "roomadmin.asp", "delete", id, "删除") + "</td></tr>";
  }
  return Frame(page, "房间管理", message,
               Form(page, "roomadmin.asp", "create",
                    "房间名：<input type=text name=name> 房主：<input type=text name=owner> "
                    "机器人：<input type=text name=robot> 说明：<input type=text name=des> ",
                    "开设房间") +
                   "<table id=rooms><tr><th>号</th><th>房间</th><th>人数</th><th>门</th>"
                   "<th>机器人</th><th>标题</th><th></th></tr>" +
                   rows + "</table>");
}

HttpResponse Settings(Page& page) {
  if (!Allowed(page)) return Refuse(page);
  administration::Console console = ConsoleOf(page);
  const std::string message = Posted(page, [&] {
    if (page.Item("do") != "reload") {
      return Message(console.ChangeSetting(page.Item("alias"), page.Item("body")));
    }
    console.Reload();
    return Message({true, "参数已经重新载入，在线的聊友都还在"});
  });
  std::string rows;
  for (const administration::SettingRow& row : console.Settings()) {
    rows +=
        "<tr>" + Cell(row.alias) + "<td>" +
        Form(page, "settings.asp", "set",
             "<input type=hidden name=alias value='" + HtmlEscape(row.alias) +
                 "'><input type=text class=wide name=body value='" + HtmlEscape(row.body) + "'> ",
             "保存") +
        "</td></tr>";
  }
  return Frame(page, "系统参数", message,
               "<p>保存的参数在重新载入后生效。" +
                   Form(page, "settings.asp", "reload", "", "重新载入参数") +
                   "</p><table id=settings><tr><th>参数</th><th>值</th></tr>" + rows + "</table>");
}

HttpResponse Log(Page& page) {
  if (!Allowed(page)) return Refuse(page);
  std::string rows;
  for (const administration::LogRow& row : ConsoleOf(page).Log(200)) {
    std::vector<std::string> f = row.fields;
    f.resize(7);
    std::string target = f[3];
    if (target.size() >= 2 && target.front() == '[') target = target.substr(1, target.size() - 2);
    std::string act = f[6];
    for (std::size_t at = act.find("%%"); at != std::string::npos; at = act.find("%%", at)) {
      act.replace(at, 2, target);
      at += target.size();
    }
    rows += "<tr>" + Cell(row.time) + Cell(std::to_string(row.kind)) + Cell(f[0]) + Cell(f[4]) +
            Cell(act) + Cell(f[5]) + "</tr>";
  }
  return Frame(page, "管理日志", "",
               "<table id=log><tr><th>时间</th><th>类别</th><th>操作者</th><th>方式</th>"
               "<th>操作</th><th>原因</th></tr>" +
                   rows + "</table>");
}

HttpResponse Maintenance(Page& page) {
  if (!Allowed(page)) return Refuse(page);
  const bool apply = FormAccepted(page);
  const std::string message = page.http().method == "POST" && !apply ? Expired() : "";
  const std::string what = page.Item("do");
  const std::string rooms =
      page.component().RoomUpdate(page.app(), Value(apply && what == "rooms" ? 1 : 0));
  std::string users =
      page.component().UserClear(page.app(), Value(apply && what == "users" ? 1 : 0));
  if (users.empty()) users = "没有要清除的用户。";
  return Frame(page, "今日维护", message,
               "<h2>房间</h2><p id=roomreport>" + rooms + "</p>" +
                   Form(page, "maintenance.asp", "rooms", "", "执行房间维护") +
                   "<h2>用户</h2><p id=userreport>" + HtmlEscape(users) + "</p>" +
                   Form(page, "maintenance.asp", "users", "", "清除这些用户"));
}

HttpResponse Statistics(Page& page) {
  if (!Allowed(page)) return Refuse(page);
  const administration::Statistics stats = ConsoleOf(page).Stats();
  std::string rooms;
  for (const auto& [name, people] : stats.rooms) {
    rooms += "<tr>" + Cell(name) + Cell(std::to_string(people)) + "</tr>";
  }
  return Frame(page, "统计", "",
               "<p>现在在线：<b id=online>" + std::to_string(stats.online) +
                   "</b> 人；累计来访：<b id=visitors>" + HtmlEscape(stats.visitors) +
                   "</b> 人次</p><h2>最近24小时每小时登录人数</h2>" + HourChart(stats.hours) +
                   "<h2>各房间人数</h2><table id=roomcounts><tr><th>房间</th><th>人数</th></tr>" +
                   rooms + "</table>");
}

}  // namespace ravochat::server::admin
