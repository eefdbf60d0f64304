// The chat window page, compared as whole text for a prepared chat.
#include <gtest/gtest.h>

#include <string>

#include "core/app_keys.h"
#include "core/records.h"
#include "ravochat/lumochat.h"
#include "support/chat_fixture.h"

namespace ravochat {
namespace {

using testing::ChatFixture;

constexpr char kNotLoggedIn[] =
    "<script Language=JavaScript>top.location.href = "
    "'showerr.asp?errtext=你还没有登录到聊天室！';</script>";

class ChatFrameTest : public ::testing::Test {
 protected:
  ChatFrameTest() {
    chat.Params({"nosaytimeout=30", "dontsavevalue=9", "minsayslength=1", "maxsayslength=200",
                 "listreftime=5", "backgroudcolorstr=#FFFFFF #F0F0F0",
                 "facecolorstr=#000000 #336699"});
    chat.Room(1, "大厅", "amy");
    chat.Room(2, "茶室", "bob");
    chat.db.Exec(
        "update room set room_des=?, room_top=?, room_title=?, room_tt=?, room_html=?, "
        "room_exp=?, room_auto=? where ID=1",
        {"闲聊", "欢迎", "今天聊什么", "0", "1", 12, "小兔"});
    chat.db.Exec(  // the newest notice first
        "insert into scrollad (ID, ad_title, ad_link) values (3, '新闻一', 'http://a.example/1'), "
        "(2, '新闻二', ''), (1, '新闻三', 'http://a.example/3')");
    chat.Init();
  }

  void UserRow(const std::string& name, Value f_size, Value l_height) {
    chat.db.Exec(
        "insert into \"user\" (username, f_size, l_height, bgcolor, s_color, n_color, friends) "
        "values (?, ?, ?, ?, ?, ?, ?)",
        {name, f_size, l_height, "#FFFFFF:#000000:#336699", 5, 7, " bob cat "});
  }

  std::string Page(Session& session) {
    MemoryRequest request;
    return chat.Component()->ChatFrame(chat.app, session, request);
  }

  ChatFixture chat;
};

TEST_F(ChatFrameTest, WritesTheWholePageForAVisitorInHisRoom) {
  UserRow("amy", Value(3), Value(0));
  const std::string expected =
      "<html><head><meta name='author' content='ravochat'>"
      "<meta name='e-mail' content='chat@ravochat.invalid'>"
      "<meta name='copyright' content='ravochat 3.1.2'>"
      "<meta HTTP-EQUIV='Pragma' CONTENT='no-cache'>"
      "<META content='text/html;charset=gb2312' http-equiv=content-type>"
      "<title>大厅</title>"
      "<script>if(window!=window.top){top.location.href='chat.asp';}"
      "if (window.name!='ravochat_main') {top.location.href='close.asp';}var ckmc=7;var cksc=5"
      ";var self_color='#FFFFFF:#000000:#336699'.split(':');"
      "var bgcolor=self_color[0];var bc1=self_color[1];var bc2=self_color[2];"
      "var backgroudcolorstr=bgcolor+' 自定:#FFFFFF #F0F0F0';"
      "var nosaytimeout=27;var dontsavevalue=1;"
      "var facecolorstr=self_color[1]+' '+self_color[2]+' 自定:#000000 #336699';"
      "var roomname='大厅';var roomauto='<小兔';var roomlife=12;"
      "var roomtt=0;var roomhtml=1;var roomguests='';"
      "var LHeight='120';var friendlist='bob cat';"
      "var room_owner='amy';var room_des='闲聊';var myname='amy';"
      "var oldbgcolor=self_color[0];var saysize=10.5;var minsayslength=1;var sayslength=200"
      ";var bbsnews=null;"
      "function addnews(n_link,n_title){if (bbsnews==null){bbsnews=new Array(1)}else{"
      "for (var i=bbsnews.length-1;i>0;i--) bbsnews[i]=bbsnews[i-1];}"
      "bbsnews[0]=\"<a href='\" + n_link + \"' target=_blank>\"+n_title+\"</a>\";i_mms=0;}"
      "function refcheck(){listreftime++;if (listflag && newlist && listreftime>5) "
      "{showlist();listreftime=0};noreftime++;if(noreftime>50){refresh();noreftime=0;}"
      "if (bbsnews!=null) {transtimer++;if (transtimer>2) {self.input.dotrans();transtimer=0}}}"
      "bbsnews=new Array(3);addnews('http://a.example/3','新闻三');"
      "addnews('http://a.example/1','新闻一');"
      ";function inittitle(){self.title.document.open();self.title.document.write(\""
      "<html><head><meta http-equiv='Content-Type' content='text/html; charset=gb2312'>"
      "<style>td{font-size:12;text-align:center;vertical-align:middle;font-family:宋体}"
      "a{text-decoration:none }</style>\"+mdstr+\"</head>"
      "<body scroll=no style='MARGIN: 0px;background-color:\" + parent.bc2 + \"'>"
      "<table height=100% width=100% border=0 cellpadding=0 cellspacing=0>"
      "<tr><td><div id='tTitle' name='tTitle'>〖大厅〗欢迎</div></td></tr>"
      "<tr><td><div id='fTitle' name='fTitle'><font color=blue>今天聊什么</font></div></td></tr>"
      "</table></body>\");}var titleheight=40;</script><script src=newchat.js></script></head>"
      "<frameset name='mainfrm' cols='*,18,140' rows='*' border='1' framespacing='0' "
      "frameborder='NO'><frameset name='leftfrm' rows='0,40,*,70' cols='*'>"
      "<frame src='about:blank' name='refresh'>"
      "<frame src='about:blank' name='title' marginwidth='0' marginheight='0' scrolling='no' "
      "frameborder='no'>"
      "<frameset name='viewsay' cols='*' rows='*,*' border='1' framespacing='1' "
      "bordercolor='#336699' frameborder='yes'>"
      "<frame src='about:blank' name='say1' scrolling='AUTO' marginheight='3' marginwidth='5'>"
      "<frame src='about:blank' name='say2' scrolling='AUTO' marginheight='3' marginwidth='5'>"
      "</frameset>"
      "<frame src='input.htm' name='input' marginwidth='0' marginheight='0' scrolling='no' "
      "frameborder='no'></frameset>"
      "<frame src='toolbar.htm' name='toolbar'  marginwidth='0' marginheight='0' scrolling='no' "
      "frameborder='no'> "
      "<frameset name='rightfrm' rows='20,*,0,0,0' cols='*'>"
      "<frame src='listtitle.htm' name='listtitle' marginwidth='0' marginheight='0' "
      "scrolling='no' frameborder='no'>"
      "<frame src='about:blank' name='list' marginwidth='5' marginheight='5' scrolling='AUTO'>"
      "<frame src='about:blank' name='newsay'><frame src='about:blank' name='song'>"
      "<frame src='about:blank' name='usercheck'></frameset></frameset></html>";
  EXPECT_EQ(Page(chat.Enter("amy", 1)), expected);
}

TEST_F(ChatFrameTest, TakesTheRoomVariablesFromTheVisitorsRoomAndTheTitleFromTheFirstRoom) {
  chat.Set(app_key::kBbss, Value(""));  // no news entries: no news data
  UserRow("bob", Value(4), Value(2));
  chat.SetListField(app_key::kRoomList, 2, room_field::kGuests, "  猫 狗  ");
  const std::string page = Page(chat.Enter("bob", 2));
  for (const char* part : {"<title>大厅</title>", "var roomname='茶室';", "var roomguests='猫 狗';",
                           "var room_owner='bob';", "var LHeight='130';", "var saysize=11;",
                           "transtimer=0}}};function inittitle()"}) {
    EXPECT_NE(page.find(part), std::string::npos) << part;
  }
}

TEST_F(ChatFrameTest, FindsAQuotedNameAndLeavesNullSizesEmpty) {
  UserRow("o'neil", Value::Null(), Value::Null());
  const std::string page = Page(chat.Enter("o'neil", 1));
  for (const char* part : {"var myname='o'neil';", "var LHeight='';", "var saysize=;"}) {
    EXPECT_NE(page.find(part), std::string::npos) << part;
  }
}

TEST_F(ChatFrameTest, SendsAVisitorWhoIsNotOnlineOrHasNoUserRowToTheErrorPage) {
  UserRow("amy", Value(3), Value(0));
  MemorySession stranger;
  stranger.Set("myname", Value("amy"));
  stranger.Set("mytemp", Value("amy"));
  EXPECT_EQ(Page(stranger), kNotLoggedIn);
  EXPECT_EQ(Page(chat.Enter("ghost", 1)), kNotLoggedIn);
}

}  // namespace
}  // namespace ravochat
