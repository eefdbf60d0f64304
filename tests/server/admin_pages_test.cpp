// The administration site and the chat's moderation over HTTP: nothing changes without the
// operator's sign-in and his form token, a settings reload drops nobody, a kicked visitor's
// window closes and his login is refused until his time is up, an address lock holds.
#include "ravochat/administration.h"
#include "server/server_fixture.h"

namespace ravochat::testing {
namespace {

class AdminPagesTest : public ServerTest {
 protected:
  void StartWithPassword(const std::vector<std::string>& options = {}) {
    administration::SetOperatorPassword(db_->connstr(), "op-secret", clock_);
    Start(options);
  }
  // The "Cookie:" line of a signed-in operator session.
  std::string SignIn(const std::string& password = "op-secret") {
    return CookieLineOf(Client()->Post("/admin/", "password=" + password));
  }
  std::string Token(const std::string& cookie, std::string_view page = "/admin/visitors.asp") {
    return FormToken(cookie, page);
  }
  std::string Level(const std::string& name) {
    return db_->Scalar("SELECT user_level FROM user WHERE username=?", {Value(name)});
  }
  HttpReply SetLevel(const std::string& cookie, const std::string& token) {
    return Client()->Post("/admin/accounts.asp", "do=level&name=amy&level=8&formtoken=" + token,
                          {cookie});
  }
};

TEST_P(AdminPagesTest, NothingChangesWithoutTheOperatorsSignInAndFormToken) {
  StartWithPassword();
  CookieLine("amy", "secret1");
  EXPECT_EQ(SignIn("wrong"), "");
  EXPECT_EQ(Client()->Get("/admin/visitors.asp").status, 303);
  EXPECT_EQ(SetLevel("", "").status, 303);
  const std::string op = SignIn();
  const std::string token = Token(op);
  for (const std::string& wrong : {std::string(), std::string(32, '0')}) {
    EXPECT_TRUE(Has(SetLevel(op, wrong).body, Gbk("表单已经过期")));
  }
  EXPECT_EQ(Level("amy"), "1");
  EXPECT_TRUE(Has(SetLevel(op, token).body, Gbk("设置amy的级别为8")));
  EXPECT_EQ(Level("amy"), "8");
  // A visitor's session is no operator's, and the page shows no password anywhere.
  EXPECT_EQ(Client()->Get("/admin/settings.asp", {CookieLine("bob", "secret2")}).status, 303);
  EXPECT_FALSE(Has(Client()->Get("/admin/settings.asp", {op}).body, "argon2"));
}

TEST_P(AdminPagesTest, RoomAndUserMaintenanceOpenToTheOperatorNotToTheToken) {
  StartWithPassword({"--admin-token", "s3cret"});
  EXPECT_EQ(Client()->Get("/admin/users.asp?token=s3cret").status, 303);
  const HttpReply reply = Client()->Get("/admin/rooms.asp", {SignIn()});
  EXPECT_EQ(reply.status, 200);
  EXPECT_TRUE(Has(reply.body, Gbk("<h1>房间维护</h1>")));
}

TEST_P(AdminPagesTest, SigningOutEndsTheOperatorsSession) {
  StartWithPassword();
  const std::string op = SignIn();
  EXPECT_EQ(Client()->Post("/admin/logout.asp", "do=logout", {op}).status, 303);
  EXPECT_EQ(Client()->Get("/admin/log.asp", {op}).status, 200);  // no token: still in
  Client()->Post("/admin/logout.asp", "do=logout&formtoken=" + Token(op), {op});
  EXPECT_EQ(Client()->Get("/admin/log.asp", {op}).status, 303);
}

TEST_P(AdminPagesTest, TheChatsToolsServeModeratorsAndTakeFormsWithTheirToken) {
  Start({"--set", "l_kick=6"});
  const std::string bob = CookieLine("bob", "secret2");
  EXPECT_TRUE(Has(Client()->Get("/modtools.asp", {bob}).body, Gbk("你没有管理权限")));
  EXPECT_EQ(Client()->Get("/modacts.asp", {bob}).body, "");
  db_->Exec("UPDATE user SET user_level=7 WHERE username='bob'");
  const std::string mod = CookieLine("bob", "secret2");
  EXPECT_TRUE(Has(Client()->Get("/modacts.asp", {mod}).body, "kick"));
  CookieLine("amy", "secret1");
  const auto kick = [&](const std::string& token) {
    return Client()->Post("/modtools.asp", "do=kick&towho=amy&n=5&formtoken=" + token, {mod}).body;
  };
  EXPECT_TRUE(Has(kick(""), Gbk("表单已经过期")));
  EXPECT_TRUE(Has(AppText("_user_list"), "<$amy$>"));
  EXPECT_TRUE(Has(kick(FormToken(mod, "/modtools.asp?towho=amy")), Gbk("把amy踢出聊天室5分钟")));
  EXPECT_FALSE(Has(AppText("_user_list"), "<$amy$>"));
}

TEST_P(AdminPagesTest, ASettingsReloadAppliesTheChangeAndDropsNobody) {
  StartWithPassword();
  const std::string amy = CookieLine("amy", "secret1");
  const std::string op = SignIn();
  const std::string token = Token(op, "/admin/settings.asp");
  const auto post = [&](std::vector<std::pair<std::string, std::string>> form) {
    form.emplace_back("formtoken", token);
    return Client()->Post("/admin/settings.asp", GbkForm(form), {op}).body;
  };
  EXPECT_TRUE(Has(post({{"do", "set"}, {"alias", "maxsayslength"}, {"body", "4"}}),
                  Gbk("把参数maxsayslength改为4")));
  EXPECT_TRUE(Has(post({{"do", "set"}, {"alias", "connstr"}, {"body", "x"}}), Gbk("不能在这里")));
  EXPECT_TRUE(
      Has(post({{"do", "set"}, {"alias", "nosaytimeout"}, {"body", "x"}}), Gbk("必须是数字")));
  EXPECT_TRUE(Has(post({{"do", "reload"}}), Gbk("在线的聊友都还在")));
  EXPECT_EQ(AppText("_maxsayslength"), "4");
  EXPECT_EQ(AppText("_connstr"), db_->connstr());
  EXPECT_TRUE(Has(AppText("_user_list"), "<$amy$>"));
  EXPECT_TRUE(Has(
      Client()->Post("/say.asp", GbkForm({{"says", "abcdefgh"}, {"towho", "大家"}}), {amy}).body,
      "'abcd','amy'"));
}

TEST_P(AdminPagesTest, WithoutAPasswordTheSiteServesLoopbackAndItsAddressLockRefusesANewUser) {
  Start();
  EXPECT_EQ(Client()->Get("/admin/").Header("Location"), "visitors.asp");
  EXPECT_EQ(Client()->Get("/admin/stats.asp").status, 200);
  // Without a password the loopback operator still works in a session with its token.
  const std::string op = CookieLineOf(Client()->Get("/admin/locks.asp"));
  const std::string token = Token(op, "/admin/locks.asp");
  const auto lock = [&](const std::string& with_token) {
    return Client()->Post("/admin/locks.asp",
                          "do=add&ip=127.0.0&minutes=30&formtoken=" + with_token, {op});
  };
  EXPECT_TRUE(Has(lock("").body, Gbk("表单已经过期")));
  EXPECT_TRUE(Has(lock(token).body, Gbk("封锁地址127.0.0 30分钟")));
  EXPECT_TRUE(Has(LogIn("newbie2", "secret1").body, Gbk("您的IP被封锁了")));
}

INSTANTIATE_TEST_SUITE_P(Server, AdminPagesTest, kBothBackends, BackendName);

}  // namespace
}  // namespace ravochat::testing
