// ravochat-server over loopback with real HTTP: GBK on the wire both ways, the session
// cookie, login, polling, leaving, the idle sweep.
#include <regex>

#include "core/keyed_list.h"
#include "server/server_fixture.h"

namespace ravochat::testing {
namespace {

// Several requests on one keep-alive connection.
TEST_P(SqliteServerTest, PagesGoOutAndQueryValuesComeInAsGbkAndAnUnknownPathIsNotFound) {
  Start();
  auto client = Client();
  const HttpReply login = client->Get("/");
  EXPECT_EQ(login.status, 200);
  EXPECT_EQ(login.Header("Content-Type"), "text/html; charset=gb2312");
  EXPECT_TRUE(Has(login.body, Gbk("<option value=\"1\">大厅 (0人)</option>")));
  EXPECT_FALSE(Has(login.body, "大厅"));  // no UTF-8 on the wire
  const HttpReply input = client->Get("/input.htm");
  EXPECT_EQ(input.Header("Content-Type"), "text/html; charset=gb2312");
  EXPECT_TRUE(Has(input.body, Gbk("悄悄话")));
  EXPECT_EQ(client->Get("/newchat.js").Header("Content-Type"),
            "application/javascript; charset=gb2312");
  EXPECT_EQ(client->Get("/toolbar.htm").status, 200);
  EXPECT_EQ(client->Get("/nothing.asp").status, 404);
  EXPECT_EQ(client->Get("/../CMakeLists.txt").status, 404);
  // Query values are decoded from GBK, an invalid byte as the replacement character.
  EXPECT_TRUE(Has(Client()->Get("/showerr.asp?errtext=%C4%E3%BA%C3%3Cb%3E").body,
                  Gbk("<h1>你好&lt;b&gt;</h1>")));
  const HttpReply reply = Client()->Get("/showerr.asp?errtext=a%FFb");
  EXPECT_EQ(reply.status, 200);
  EXPECT_TRUE(Has(reply.body, "<h1>a&#65533;b</h1>"));
}

TEST_P(ServerTest, ALoginSetsASessionCookieAndPutsTheVisitorOnlineAndARefusalShowsTheMessage) {
  Start();
  const HttpReply refused = LogIn("amy", "amy");
  EXPECT_EQ(refused.Header("Set-Cookie"), "");
  EXPECT_TRUE(
      Has(refused.body, Gbk("<p class=\"message\" id=\"message\">错误：用户名与密码相同！</p>")));
  EXPECT_TRUE(Has(refused.body, "value=\"amy\""));
  const HttpReply reply = LogIn("小明", "secret1");
  EXPECT_EQ(reply.status, 200);
  EXPECT_TRUE(
      std::regex_match(reply.Header("Set-Cookie"),
                       std::regex("ravochat=[0-9a-f]{32}; Path=/; HttpOnly; SameSite=Lax")));
  EXPECT_TRUE(Has(reply.body,
                  "<script>window.name='ravochat_main';location.replace(window.innerWidth <= 600 ? "
                  "'phone.asp' : 'chat.asp');</script>"));
  EXPECT_TRUE(keyed_list::Contains(AppText("_user_list"), "小明"));
}

TEST_P(ServerTest, LeavingTakesTheVisitorOutOfTheChatAndHisSessionAndTellsTheRoom) {
  Start();
  const std::string amy = CookieLine("amy", "secret1");
  const std::string bob = CookieLine("bob", "secret2");
  Client()->Get("/refresh.asp", {bob});
  clock_.Advance(65);
  EXPECT_TRUE(Has(Client()->Get("/close.asp", {amy}).body, Gbk("你已经离开了聊天室")));
  EXPECT_FALSE(keyed_list::Contains(AppText("_user_list"), "amy"));
  EXPECT_FALSE(Has(AppText("_room_list"), "amy"));
  EXPECT_EQ(db_->Scalar("SELECT out_time FROM user WHERE username=?", {Value("amy")}),
            "2026-12-06 12:01:05");
  EXPECT_TRUE(Has(Poll(amy), "showerr.asp"));
  EXPECT_TRUE(
      Has(Poll(bob), Gbk("'##离开了聊天室。<\\script>parent.dell(\\'amy\\')</\\script>','amy',"
                         "'大厅',0,'#808080','#0000FF',-3,")));
}

TEST_P(ServerTest, TheSweepLogsOutVisitorsIdleForMoreThanThreeMinutes) {
  Start();
  const std::string amy = CookieLine("amy", "secret1");
  const std::string bob = CookieLine("bob", "secret2");
  clock_.Advance(120);
  Client()->Get("/refresh.asp", {bob});
  clock_.Advance(60);
  Client()->Get("/usercheck.asp");
  EXPECT_TRUE(keyed_list::Contains(AppText("_user_list"), "amy"));  // exactly 3 minutes
  clock_.Advance(1);
  Client()->Get("/usercheck.asp");
  EXPECT_FALSE(keyed_list::Contains(AppText("_user_list"), "amy"));
  EXPECT_TRUE(keyed_list::Contains(AppText("_user_list"), "bob"));
  EXPECT_TRUE(Has(Client()->Get("/saylist.asp", {amy}).body, "showerr.asp"));
  clock_.Advance(121);
  server_->Sweep();  // the server's own sweep, once a minute
  EXPECT_EQ(AppText("_user_list"), "");
}

TEST_P(SqliteServerTest, ASessionEndsAfterTwentyIdleMinutes) {
  Start();
  const std::string amy = CookieLine("amy", "secret1");
  clock_.Advance(20 * 60);
  EXPECT_FALSE(Has(Client()->Get("/saylist.asp", {amy}).body, "showerr.asp"));
  clock_.Advance(20 * 60 + 1);
  EXPECT_TRUE(Has(Client()->Get("/saylist.asp", {amy}).body, "showerr.asp"));
}

TEST_P(ServerTest, EachChatKeepsItsOwnVisitorsUnderItsPrefix) {
  Start({"--chat", "", "--chat", "c1"});
  const HttpReply reply = Client()->Post(
      "/c1/login.asp",
      GbkForm({{"sUserName", "amy"}, {"sPass", "secret1"}, {"bSex", "1"}, {"room_id", "1"}}));
  EXPECT_TRUE(reply.Header("Set-Cookie").starts_with("ravochat_c1="));
  EXPECT_TRUE(keyed_list::Contains(AppText("c1_user_list"), "amy"));
  EXPECT_EQ(AppText("_user_list"), "");
}

TEST_P(ServerTest, SettingsOnTheCommandLineAreStoredBeforeLoading) {
  Start({"--set", "maxpeople=7"});
  EXPECT_EQ(AppText("_maxpeople"), "7");
  EXPECT_EQ(db_->Scalar("SELECT count(*) FROM sysparam WHERE alias='maxpeople'"), "1");
}

INSTANTIATE_TEST_SUITE_P(Server, ServerTest, kBothBackends, BackendName);

// While the database server cannot be reached, the pages that need it fail with the 500
// page and one log line each, and polls go on; once it is back the next login works.
class LostDatabase : public ServerTest {};

TEST_P(LostDatabase, FailsOnlyThePagesThatNeedItUntilItIsBack) {
  Start();
  const std::string amy = CookieLine("amy", "secret1");
  db_->SetReachable(false);
  EXPECT_EQ(LogIn("bob", "secret2").status, 500);
  EXPECT_EQ(Client()->Get("/refresh.asp", {amy}).status, 200);
  ASSERT_EQ(ErrorLines().size(), 1u);
  EXPECT_TRUE(
      ErrorLines()[0].starts_with("error POST /login.asp: cannot connect to PostgreSQL at "))
      << ErrorLines()[0];
  db_->SetReachable(true);
  EXPECT_NE(LogIn("bob", "secret2").Header("Set-Cookie"), "");
}

INSTANTIATE_TEST_SUITE_P(Server, LostDatabase, ::testing::Values(Backend::kPostgres), BackendName);

}  // namespace
}  // namespace ravochat::testing
