// The chatter's own pages over HTTP: forms change something only with the session's
// token, a friend request is answered only from the chat's own site, and the pages serve only
// a visitor in the chat.
#include "server/server_fixture.h"

namespace ravochat::testing {
namespace {

class MemberPagesTest : public ServerTest {
 protected:
  // The form token in the settings page of the visitor of `cookie`.
  std::string Token(const std::string& cookie) { return FormToken(cookie, "/userset.asp"); }
  std::string Passwd(const std::string& name) {
    return db_->Scalar("SELECT passwd FROM user WHERE username=?", {Value(name)});
  }
  std::string ChangePassword(const std::string& cookie, const std::string& token) {
    const std::string form = "do=password&oldpass=secret1&newpass=newpass1&newpass2=newpass1";
    return Client()->Post("/userset.asp", form + "&formtoken=" + token, {cookie}).body;
  }
};

TEST_P(MemberPagesTest, AFormChangesNothingWithoutTheSessionsToken) {
  Start();
  const std::string amy = CookieLine("amy", "secret1");
  const std::string bob = CookieLine("bob", "secret2");
  const std::string before = Passwd("amy");
  const std::string token = Token(amy);
  for (const std::string& wrong : {std::string(), Token(bob), std::string(32, '0')}) {
    EXPECT_TRUE(Has(ChangePassword(amy, wrong), Gbk("表单已经过期"))) << wrong;
  }
  EXPECT_EQ(Passwd("amy"), before);
  EXPECT_TRUE(Has(ChangePassword(amy, token), Gbk("密码已经修改")));
  EXPECT_NE(Passwd("amy"), before);
}

TEST_P(SqliteServerTest, TheOwnPagesServeOnlyAVisitorInTheChat) {
  Start();
  for (const char* page : {"/userset.asp", "/call.asp", "/getcall.asp", "/guest.asp", "/friend.asp",
                           "/agreefriend.asp?ID=1&answer=yes"}) {
    const HttpReply reply = Client()->Get(page, {"Cookie: ravochat=" + std::string(32, 'a')});
    EXPECT_TRUE(Has(reply.body, Gbk("你还没有登录到聊天室！"))) << page;
  }
  EXPECT_TRUE(Has(Client()->Get("/phone.asp").body, Gbk("showerr.asp?errtext=")));
}

TEST_P(MemberPagesTest, AFriendRequestIsAnsweredOnlyFromTheChatsOwnSite) {
  Start();
  const std::string amy = CookieLine("amy", "secret1");
  const std::string bob = CookieLine("bob", "secret2");
  Client()->Post("/friend.asp", GbkForm({{"towho", "bob"}, {"formtoken", Token(amy)}}), {amy});
  const std::string id = db_->Scalar("SELECT ID FROM friendrq WHERE who=?", {Value("amy")});
  const std::string answer = "/agreefriend.asp?ID=" + id + "&answer=yes";
  EXPECT_TRUE(
      Has(Client()->Get(answer, {bob, "Sec-Fetch-Site: cross-site"}).body, Gbk("表单已经过期")));
  EXPECT_EQ(db_->Scalar("SELECT count(*) FROM friendrq", {}), "1");
  EXPECT_TRUE(Has(Client()->Get(answer, {bob}).body, Gbk("你们已经是好友了！")));
  EXPECT_EQ(db_->Scalar("SELECT friends FROM user WHERE username=?", {Value("amy")}), "bob");
}

INSTANTIATE_TEST_SUITE_P(Server, MemberPagesTest, kBothBackends, BackendName);

}  // namespace
}  // namespace ravochat::testing
