// The site's own pages, made from the chat's state and the site's templates, and the
// table that maps page names to handlers.
#include <array>
#include <map>
#include <string>

#include "admin/admin_site.h"
#include "chat_pages/ascii.h"
#include "pages.h"
#include "ravochat/host.h"
#include "transport/markup.h"

namespace ravochat::server::pages {
namespace {

std::vector<lumochat::RoomView> Rooms(Page& page) { return page.component().RoomViews(page.app()); }

std::string PageFromTemplate(Page& page, std::string_view file,
                             const std::map<std::string, std::string>& values) {
  const SiteFiles::File* found = page.services().site.Find(file);
  return found == nullptr ? std::string() : FillTemplate(found->text, values);
}

}  // namespace

std::string PageHead(std::string_view title) {
  return "<html><head><meta http-equiv=content-type content='text/html;charset=gb2312'>"
         "<meta name=viewport content='width=device-width'>"
         "<link rel=stylesheet href=chat.css><title>" +
         HtmlEscape(title) + "</title></head>";
}

HttpResponse LoginForm(Page& page, std::string_view message) {
  std::string options;
  for (const lumochat::RoomView& room : Rooms(page)) {
    options += "<option value=\"" + HtmlEscape(room.id) + "\">" + HtmlEscape(room.name) + " (" +
               std::to_string(room.people) + "人)</option>";
  }
  const std::string body =
      PageFromTemplate(page, "/login.htm",
                       {{"rooms", options},
                        {"message", std::string(message)},
                        {"name", HtmlEscape(TrimBlanks(page.Item("sUserName")))}});
  if (body.empty()) return NotFound();
  return page.Html(body);
}

HttpResponse LoginFormPage(Page& page) { return LoginForm(page); }

HttpResponse ShowError(Page& page) {
  return page.Html(PageHead("聊天室提示") + "<body class=notice><div class=box><h1>" +
                   HtmlEscape(page.Item("errtext")) +
                   "</h1><p><a href='index.asp' target=_top>回到聊天室入口</a></p></div>"
                   "</body></html>");
}

// Loaded into a hidden frame: hands the room list and the visitor's room to the window.
HttpResponse RoomList(Page& page) {
  std::string rows;
  for (const lumochat::RoomView& room : Rooms(page)) {
    if (!rows.empty()) rows += ",";
    rows += "[" + JsString(room.id) + "," + JsString(room.name) + "," +
            std::to_string(room.people) + "," + (room.open ? "1" : "0") + "]";
  }
  const std::int32_t room = page.component().VisitorRoom(page.app(), page.session());
  return page.Html(PageHead("") + "<script>parent.showrooms([" + rows + "]," +
                   JsString(std::to_string(room)) + ");</script>");
}

HttpResponse NameFilter(Page& page) {
  const lumochat::NameRules rules = page.component().GetNameRules(page.app());
  const std::string body = PageFromTemplate(page, "/namefilter.htm",
                                            {{"namelength", HtmlEscape(rules.length)},
                                             {"maxnamelength", HtmlEscape(rules.max_length)},
                                             {"usernameenable", HtmlEscape(rules.enabled)}});
  if (body.empty()) return NotFound();
  return page.Html(body);
}

HttpResponse AdminReport(Page& page, std::string_view title, const std::string& report) {
  return page.Html(PageHead(title) + "<body><h1>" + std::string(title) + "</h1><div>" + report +
                   "</div></body></html>");
}

HttpResponse AdminRooms(Page& page) {
  if (!admin::Allowed(page)) return admin::Refuse(page);
  return AdminReport(page, "房间维护",
                     page.component().RoomUpdate(page.app(), page.request().Item("UMod")));
}

HttpResponse AdminUsers(Page& page) {
  if (!admin::Allowed(page)) return admin::Refuse(page);
  return AdminReport(page, "用户清理",
                     page.component().UserClear(page.app(), page.request().Item("UMod")));
}

}  // namespace ravochat::server::pages

namespace ravochat::server {

namespace {

constexpr std::array kRoutes = {
    Route{"", &pages::LoginFormPage},
    Route{"index.asp", &pages::LoginFormPage},
    Route{"login.asp", &pages::Login},
    Route{"chat.asp", &pages::ChatFrame},
    Route{"saylist.asp", &pages::SayList},
    Route{"refresh.asp", &pages::Refresh},
    Route{"channel.asp", &pages::Channel},
    Route{"say.asp", &pages::Say},
    Route{"changeroom.asp", &pages::ChangeRoom},
    Route{"roomlist.asp", &pages::RoomList},
    Route{"showerr.asp", &pages::ShowError},
    Route{"close.asp", &pages::Close},
    Route{"usercheck.asp", &pages::UserCheck},
    Route{"namefilter.asp", &pages::NameFilter},
    Route{"userset.asp", &pages::UserSet},
    Route{"call.asp", &pages::CallPage},
    Route{"getcall.asp", &pages::GetCall},
    Route{"guest.asp", &pages::Guest},
    Route{"friend.asp", &pages::Friend},
    Route{"agreefriend.asp", &pages::AgreeFriend},
    Route{"phone.asp", &pages::PhoneChat},
    Route{"modacts.asp", &pages::ModActs},
    Route{"modtools.asp", &pages::ModTools},
    Route{"admin/rooms.asp", &pages::AdminRooms},
    Route{"admin/users.asp", &pages::AdminUsers},
    Route{"admin/backup.asp", &pages::AdminBackup},
    Route{"admin/", &admin::SignIn},
    Route{"admin/index.asp", &admin::SignIn},
    Route{"admin/logout.asp", &admin::SignOut},
    Route{"admin/visitors.asp", &admin::Visitors},
    Route{"admin/accounts.asp", &admin::Accounts},
    Route{"admin/locks.asp", &admin::Locks},
    Route{"admin/roomadmin.asp", &admin::Rooms},
    Route{"admin/settings.asp", &admin::Settings},
    Route{"admin/log.asp", &admin::Log},
    Route{"admin/maintenance.asp", &admin::Maintenance},
    Route{"admin/stats.asp", &admin::Statistics},
    Route{"admin/notices.asp", &admin::Notices},
    Route{"admin/actions.asp", &admin::Actions},
};

}  // namespace

const Route* FindRoute(std::string_view name) {
  for (const Route& route : kRoutes) {
    if (strings::EqualsIgnoreCase(route.name, name)) return &route;
  }
  return nullptr;
}

std::vector<std::string_view> PageNames() {
  std::vector<std::string_view> names;
  for (const Route& route : kRoutes) names.push_back(route.name);
  return names;
}

}  // namespace ravochat::server
