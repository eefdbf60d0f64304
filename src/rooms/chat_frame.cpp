// ChatFrame: the chat window page. One frameset document whose open script block holds the
// visitor's and the room's settings, the news ticker data and the title frame painter;
// "newchat.js" reads these names. Nothing is changed: no shared value, no database row.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/app_keys.h"
#include "core/convert.h"
#include "core/keyed_list.h"
#include "core/records.h"
#include "core/strings.h"
#include "messages/pages.h"
#include "messages/visitor.h"
#include "ravochat/lumochat.h"
#include "rooms/chat_window.h"

namespace ravochat {
namespace {

// Height in pixels of the title frame; the frameset uses the same number.
constexpr std::int64_t kTitleHeight = 40;

// The values the page is made of, each read once.
struct PageInputs {
  std::string version;            // GetVer()
  std::string title;              // name of the first room in the room list
  std::vector<std::string> room;  // fields of the visitor's room record
  std::string my_name;
  // The visitor's user row.
  Value f_size, l_height;
  std::string bgcolor, s_color, n_color, friends;
  // Configuration.
  std::string background_colors, face_colors, min_says, max_says, list_ref_time;
  Value no_say_timeout, dont_save_value, bbss;
};

// The name of the first room: the second piece of the whole list split at "$>".
// The name of the first room of the list, the window's title.
std::string FirstRoomName(const state::ChatState& chat) REQUIRES(chat.mutex()) {
  const std::vector<std::string> rooms = chat.Keys(state::List::kRooms);
  if (rooms.empty()) keyed_list::FieldAt({}, room_field::kName, "room list");
  return chat.Field(state::List::kRooms, rooms.front(), room_field::kName);
}

// Font size of the message panes: f_size / 2 + 9, so an odd size gives a half. A database
// null gives nothing to write, as arithmetic on it does.
std::string SaySize(const Value& f_size) {
  if (f_size.IsNull()) return "";
  return convert::ToText(Value(convert::ToDouble(f_size) / 2 + 9));
}

// Line height of the message panes: l_height * 5 + 120; nothing for a database null.
std::string LineHeight(const Value& l_height) {
  if (l_height.IsNull()) return "";
  return convert::ToText(Value(convert::ToDouble(l_height) * 5 + 120));
}

// The client's timers fire a little before the server's limits: 3 minutes earlier, and
// the session limit is halved (integer division) before that.
std::string NoSayTimeout(const Value& minutes) {
  return convert::ToText(Value(convert::ToDouble(minutes) - 3));
}
std::string DontSaveValue(const Value& minutes) {
  return convert::ToText(std::int64_t{convert::IntDiv(minutes, Value(2))} - 3);
}

const std::string& Room(const PageInputs& in, std::size_t field) {
  return keyed_list::FieldAt(in.room, field, "room");
}

std::string Head(const PageInputs& in) {
  std::string s = "<html><head>";
  s += "<meta name='author' content='ravochat'>";
  s += "<meta name='e-mail' content='chat@ravochat.invalid'>";
  s += "<meta name='copyright' content='ravochat " + in.version + "'>";
  s += messages::kPageHead;
  s += "<title>" + in.title + "</title>";
  return s;
}

// The window check and the visitor's and room's settings; the script block stays open.
std::string Settings(const PageInputs& in) {
  std::string s = "<script>if(window!=window.top){top.location.href='chat.asp';}";
  s += "if (window.name!='";
  s += rooms::kChatWindowName;
  s += "') {top.location.href='close.asp';}var ckmc=" + in.n_color + ";var cksc=" + in.s_color;
  s += ";var self_color='" + in.bgcolor + "'.split(':');";
  s += "var bgcolor=self_color[0];var bc1=self_color[1];var bc2=self_color[2];";
  s += "var backgroudcolorstr=bgcolor+' 自定:" + in.background_colors + "';";
  s += "var nosaytimeout=" + NoSayTimeout(in.no_say_timeout) + ";";
  s += "var dontsavevalue=" + DontSaveValue(in.dont_save_value) + ";";
  s += "var facecolorstr=self_color[1]+' '+self_color[2]+' 自定:" + in.face_colors + "';";
  s += "var roomname='" + Room(in, room_field::kName) + "';var roomauto='<" +
       Room(in, room_field::kRobot) + "';var roomlife=" + Room(in, room_field::kExp) + ";";
  s += "var roomtt=" + Room(in, room_field::kTt) + ";var roomhtml=" + Room(in, room_field::kHtml) +
       ";var roomguests='" + strings::Trim(Room(in, room_field::kGuests)) + "';";
  s += "var LHeight='" + LineHeight(in.l_height) + "';var friendlist='" +
       strings::Trim(in.friends) + "';";
  s += "var room_owner='" + Room(in, room_field::kOwner) + "';var room_des='" +
       Room(in, room_field::kDescription) + "';var myname='" + in.my_name + "';";
  s += "var oldbgcolor=self_color[0];var saysize=" + SaySize(in.f_size) +
       ";var minsayslength=" + in.min_says + ";var sayslength=" + in.max_says;
  return s;
}

// addnews pushes each entry to the front of bbsnews; refcheck is the client's timer tick.
std::string TickerFunctions(const PageInputs& in) {
  std::string s = ";var bbsnews=null;";
  s += "function addnews(n_link,n_title){if (bbsnews==null){bbsnews=new Array(1)}else{";
  s += "for (var i=bbsnews.length-1;i>0;i--) bbsnews[i]=bbsnews[i-1];}";
  s += "bbsnews[0]=\"<a href='\" + n_link + \"' target=_blank>\"+n_title+\"</a>\";i_mms=0;}";
  s += "function refcheck(){listreftime++;if (listflag && newlist && listreftime>" +
       in.list_ref_time + ") {showlist();listreftime=0};";
  s += "noreftime++;if(noreftime>50){refresh();noreftime=0;}if (bbsnews!=null) "
       "{transtimer++;if (transtimer>2) {self.input.dotrans();transtimer=0}}}";
  return s;
}

// The news entries (column 0 link, column 1 title), added last first so that the client
// ends with them in stored order. Entries without a link are left out.
std::string TickerData(const Value& bbss) {
  if (bbss.kind() != Value::Kind::kGrid) return "";
  const std::size_t n = bbss.GetGrid().rows;
  std::string s = "bbsnews=new Array(" + convert::ToText(static_cast<std::int64_t>(n)) + ");";
  for (std::size_t i = n; i-- > 0;) {
    const std::string link = convert::ToText(bbss.At(i, 0));
    if (link.empty()) continue;
    s += "addnews('" + link + "','" + convert::ToText(bbss.At(i, 1)) + "');";
  }
  return s;
}

// inittitle() writes the title frame: the room's name and top line, and its title.
std::string TitlePainter(const PageInputs& in) {
  std::string s = ";function inittitle(){self.title.document.open();";
  s += "self.title.document.write(\"<html><head><meta http-equiv='Content-Type' "
       "content='text/html; charset=gb2312'>";
  s += "<style>td{font-size:12;text-align:center;vertical-align:middle;font-family:宋体}"
       "a{text-decoration:none }</style>\"+mdstr+\"";
  s += "</head><body scroll=no style='MARGIN: 0px;background-color:\" + parent.bc2 + \"'>";
  s += "<table height=100% width=100% border=0 cellpadding=0 cellspacing=0>";
  s += "<tr><td><div id='tTitle' name='tTitle'>〖" + Room(in, room_field::kName) + "〗" +
       Room(in, room_field::kTop) + "</div></td></tr>";
  s += "<tr><td><div id='fTitle' name='fTitle'><font color=blue>" + Room(in, room_field::kTitle) +
       "</font></div></td></tr>";
  s += "</table></body>\");}var titleheight=" + convert::ToText(kTitleHeight) +
       ";</script><script src=newchat.js></script></head>";
  return s;
}

std::string Frameset() {
  std::string s =
      "<frameset name='mainfrm' cols='*,18,140' rows='*' border='1' framespacing='0' "
      "frameborder='NO'>";
  s += "<frameset name='leftfrm' rows='0," + convert::ToText(kTitleHeight) +
       ",*,70' cols='*'><frame src='about:blank' name='refresh'>";
  s += "<frame src='about:blank' name='title' marginwidth='0' marginheight='0' scrolling='no' "
       "frameborder='no'>";
  s += "<frameset name='viewsay' cols='*' rows='*,*' border='1' framespacing='1' "
       "bordercolor='#336699' frameborder='yes'>";
  s += "<frame src='about:blank' name='say1' scrolling='AUTO' marginheight='3' marginwidth='5'>";
  s += "<frame src='about:blank' name='say2' scrolling='AUTO' marginheight='3' marginwidth='5'>";
  s += "</frameset>";
  s += "<frame src='input.htm' name='input' marginwidth='0' marginheight='0' scrolling='no' "
       "frameborder='no'></frameset>";
  s += "<frame src='toolbar.htm' name='toolbar'  marginwidth='0' marginheight='0' "
       "scrolling='no' frameborder='no'> ";
  s += "<frameset name='rightfrm' rows='20,*,0,0,0' cols='*'>";
  s += "<frame src='listtitle.htm' name='listtitle' marginwidth='0' marginheight='0' "
       "scrolling='no' frameborder='no'>";
  s += "<frame src='about:blank' name='list' marginwidth='5' marginheight='5' scrolling='AUTO'>";
  s += "<frame src='about:blank' name='newsay'><frame src='about:blank' name='song'>";
  s += "<frame src='about:blank' name='usercheck'></frameset></frameset></html>";
  return s;
}

std::string Page(const PageInputs& in) {
  return Head(in) + Settings(in) + TickerFunctions(in) + TickerData(in.bbss) + TitlePainter(in) +
         Frameset();
}

}  // namespace

std::string lumochat::ChatFrame(Application& TheApplication, Session& TheSession,
                                Request& /*TheRequest*/) {
  PageInputs in;
  {
    // The visitor and his room are read in one hold, so the room found is still listed.
    state::ChatState& chat = TheApplication.Chat(ConstStr);
    state::MutexLock lock(chat.mutex());
    if (TakeVisitor(messages::FindVisitor(TheSession, chat)) == 0) {
      return std::string(messages::kNotLoggedInScript);
    }
    in.title = FirstRoomName(chat);
    in.room = chat.Find(state::List::kRooms, convert::ToText(std::int64_t{room_id})).value();
  }
  in.my_name = MyName;
  in.version = GetVer();

  db::Recordset user =
      OpenConn(TheApplication).Execute("select * from \"user\" where username=?", {Value(MyName)});
  if (user.Eof()) return std::string(messages::kNotLoggedInScript);
  in.f_size = user.Field("f_size");
  in.l_height = user.Field("l_height");
  in.bgcolor = convert::ToText(user.Field("bgcolor"));
  in.s_color = convert::ToText(user.Field("s_color"));
  in.n_color = convert::ToText(user.Field("n_color"));
  in.friends = convert::ToText(user.Field("friends"));

  auto text = [&](std::string_view name) {
    return app_key::SettingText(TheApplication, ConstStr, name);
  };
  in.background_colors = text(app_key::kBackgroundColorStr);
  in.face_colors = text(app_key::kFaceColorStr);
  in.min_says = text(app_key::kMinSaysLength);
  in.max_says = text(app_key::kMaxSaysLength);
  in.list_ref_time = text(app_key::kListRefTime);
  in.no_say_timeout = TheApplication.Get(Key(app_key::kNoSayTimeout));
  in.dont_save_value = TheApplication.Get(Key(app_key::kDontSaveValue));
  in.bbss = TheApplication.Get(Key(app_key::kBbss));
  return Page(in);
}

}  // namespace ravochat
