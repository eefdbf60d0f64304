// The pages of a chat. Component pages create a lumochat, call one operation and write
// its text; the site's own pages (login form, error and closing pages, room list, name
// rules, administration) are made here from the chat's state and the site's templates.
#pragma once

#include <string>
#include <string_view>

#include "page.h"

namespace ravochat::server::pages {

// Component pages.
HttpResponse Login(Page& page);
HttpResponse ChatFrame(Page& page);
HttpResponse SayList(Page& page);
HttpResponse Refresh(Page& page);
// The push channel: an event stream that carries what Refresh would, as it happens.
HttpResponse Channel(Page& page);
HttpResponse Say(Page& page);
HttpResponse ChangeRoom(Page& page);
HttpResponse Close(Page& page);
HttpResponse UserCheck(Page& page);
// Room maintenance and user clearance as reports (UMod=1 acts), for the signed-in operator
// as every administration page.
HttpResponse AdminRooms(Page& page);
HttpResponse AdminUsers(Page& page);
// Backs up the live database beside it and names the file written; opened by the
// administration token alone, for a script.
HttpResponse AdminBackup(Page& page);

// The site's own pages.
// The login form with the rooms to choose from and `message` (HTML) above it.
HttpResponse LoginForm(Page& page, std::string_view message = "");
HttpResponse LoginFormPage(Page& page);
HttpResponse ShowError(Page& page);
HttpResponse RoomList(Page& page);
HttpResponse NameFilter(Page& page);

// A chatter's own things: settings, calls, guest book, friend requests.
HttpResponse UserSet(Page& page);
HttpResponse CallPage(Page& page);
HttpResponse GetCall(Page& page);
HttpResponse Guest(Page& page);
HttpResponse Friend(Page& page);
HttpResponse AgreeFriend(Page& page);
// The moderation tools of the chat window: the actions the visitor may take, and the page
// that takes them on the chosen person and in his room.
HttpResponse ModActs(Page& page);
HttpResponse ModTools(Page& page);
// The single-column chat window of a narrow screen.
HttpResponse PhoneChat(Page& page);

// The head every page of ours starts with: charset declaration and `title`.
std::string PageHead(std::string_view title);

// An administration page showing `report` (HTML) under `title`.
HttpResponse AdminReport(Page& page, std::string_view title, const std::string& report);

}  // namespace ravochat::server::pages
