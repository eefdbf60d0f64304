// A stop and a start between two polls: the visitors stay online with their sessions and miss
// no line, while the rooms are those of the database at the start; a snapshot that does not
// load leaves a freshly loaded chat and one log line.
#include "server/server_fixture.h"

namespace ravochat::testing {
namespace {

class RestartTest : public ServerTest {
 protected:
  // Stops the server, runs `change` on the database while it is down, and starts it again.
  void Restart(std::int64_t seconds_down, const std::vector<std::string>& change = {}) {
    server_->Stop();
    server_.reset();
    for (const std::string& statement : change) db_->Exec(statement);
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
  const std::string poll = Poll(bob);
  EXPECT_EQ(Occurrences(poll, Gbk("'重启之前','amy'")), 1) << poll;
  Say(amy, "重启之后");
  const std::string next = Poll(bob);
  EXPECT_EQ(Occurrences(next, Gbk("'重启之前'")), 0) << next;
  EXPECT_EQ(Occurrences(next, Gbk("'重启之后','amy'")), 1) << next;
  EXPECT_EQ(ErrorLines(), (std::vector<std::string>{
                              "ravochat-server: saved the state for the next start (chats: 1, "
                              "sessions: 2)",
                              "ravochat-server: took back the state saved at the last stop "
                              "(chats: 1, sessions: 2, visitors: 2, moved out of rooms that no "
                              "longer exist: 0)"}));
}

TEST_P(RestartTest, RoomsChangedInTheDatabaseWhileStoppedApplyFromTheFirstRequest) {
  Start();
  const std::string amy = CookieLine("amy", "secret1");
  const std::string bob = CookieLine("bob", "secret2");
  Poll(bob);
  Say(amy, "重启之前");
  Restart(170,
          {"UPDATE room SET room_auto='carl' WHERE ID=1", "UPDATE room SET door_open=0 WHERE ID=3",
           "INSERT INTO room (ID, room_name, room_auto, permit_level, door_open) "
           "VALUES (5, '新房间', 'robot5', 0, 1)"});
  EXPECT_NE(LogIn("carl", "secret3").body.find(Gbk("您的名字和房间机器人同名被拒绝进入！")),
            std::string::npos);
  EXPECT_NE(Client()
                ->Get("/roomlist.asp", {bob})
                .body.find(Gbk(
                    "parent.showrooms([['1','大厅',2,1],['2','情感天地',0,1],['3','校园青春',0,0],"
                    "['4','天南地北',0,1],['5','新房间',0,1]],'1');")),
            std::string::npos);
  EXPECT_EQ(Occurrences(Poll(bob), Gbk("'重启之前','amy'")), 1);
}

TEST_P(RestartTest, ADamagedSnapshotIsLoggedAndTheChatStartsAfresh) {
  Start();
  const std::string amy = CookieLine("amy", "secret1");
  Restart(0, {"UPDATE state_snapshot SET body='x' WHERE name='_says'"});
  ASSERT_EQ(ErrorLines().size(), 2u);
  EXPECT_EQ(ErrorLines()[1],
            "ravochat-server: state snapshot ignored: damaged stored value at byte 0: no kind of "
            "value starts here");
  EXPECT_EQ(AppText("_user_list"), "");
  EXPECT_NE(Poll(amy).find("showerr.asp"), std::string::npos);
  EXPECT_NE(CookieLine("amy", "secret1"), amy);
}

INSTANTIATE_TEST_SUITE_P(Server, RestartTest, kBothBackends, BackendName);

}  // namespace
}  // namespace ravochat::testing
