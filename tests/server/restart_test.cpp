// A stop and a start between two polls: the visitors stay online with their sessions and miss
// no line; a snapshot that does not load leaves a freshly loaded chat and one log line.
#include "server/server_fixture.h"

namespace ravochat::testing {
namespace {

int Count(const std::string& text, const std::string& part) {
  int count = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

class RestartTest : public ServerTest {
 protected:
  void Say(const std::string& cookie, const std::string& line) {
    Client()->Post("/say.asp", GbkForm({{"says", line}, {"towho", "大家"}, {"id", "0"}}), {cookie});
  }
  void Restart(std::int64_t seconds_down) {
    server_->Stop();
    server_.reset();
    clock_.Advance(seconds_down);
    Start();
  }
};

TEST_P(RestartTest, APollAfterARestartContinuesWhereTheLastOneLeftOff) {
  Start();
  const std::string amy = CookieLine("amy", "secret1");
  const std::string bob = CookieLine("bob", "secret2");
  Client()->Get("/refresh.asp", {bob});
  Say(amy, "重启之前");
  Restart(30);
  const std::string poll = Client()->Get("/refresh.asp", {bob}).body;
  EXPECT_EQ(Count(poll, Gbk("'重启之前','amy'")), 1) << poll;
  Say(amy, "重启之后");
  const std::string next = Client()->Get("/refresh.asp", {bob}).body;
  EXPECT_EQ(Count(next, Gbk("'重启之前'")), 0) << next;
  EXPECT_EQ(Count(next, Gbk("'重启之后','amy'")), 1) << next;
  EXPECT_EQ(ErrorLines(), (std::vector<std::string>{
                              "ravochat-server: saved the state for the next start (chats: 1, "
                              "sessions: 2)",
                              "ravochat-server: took back the state saved at the last stop "
                              "(chats: 1, sessions: 2)"}));
}

TEST_P(RestartTest, ADamagedSnapshotIsLoggedAndTheChatStartsAfresh) {
  Start();
  const std::string amy = CookieLine("amy", "secret1");
  server_->Stop();
  server_.reset();
  db_->Exec("UPDATE state_snapshot SET body='x' WHERE name='_says'");
  Start();
  ASSERT_EQ(ErrorLines().size(), 2u);
  EXPECT_EQ(ErrorLines()[1],
            "ravochat-server: state snapshot ignored: damaged stored value at byte 0: no kind of "
            "value starts here");
  EXPECT_EQ(AppText("_user_list"), "");
  EXPECT_NE(Client()->Get("/refresh.asp", {amy}).body.find("showerr.asp"), std::string::npos);
  EXPECT_NE(CookieLine("amy", "secret1"), amy);
}

INSTANTIATE_TEST_SUITE_P(Server, RestartTest, kBothBackends, BackendName);

}  // namespace
}  // namespace ravochat::testing
