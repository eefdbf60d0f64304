// The push channel over loopback HTTP: a reconnect gets what was said meanwhile; a visitor who may
// poll no more gets refresh's answer and the stream ends; an open channel keeps its visitor online;
// a stop ends every channel at once.
#include <chrono>
#include <regex>

#include "core/keyed_list.h"
#include "ravochat/monitoring.h"
#include "server/server_fixture.h"

namespace ravochat::testing {
namespace {

class ChannelTest : public ServerTest {
 protected:
  std::int64_t Newest() { return ReadChatStatus(server_->application(), "").newest_message; }
  // A channel of the visitor of `cookie` whose first event has come.
  std::unique_ptr<HttpClient> OpenChannel(const std::string& cookie) {
    auto client = Client();
    client->Open("/channel.asp", {cookie});
    client->ReadUntil("\n\n");
    return client;
  }
};
INSTANTIATE_TEST_SUITE_P(Server, ChannelTest, ::testing::Values(Backend::kSqlite), BackendName);

TEST_P(ChannelTest, AReconnectGetsTheLinesAfterTheNumberItNames) {
  Start();
  const std::string amy = CookieLine("amy", "secret1");
  const std::string bob = CookieLine("bob", "secret2");
  const std::string before = std::to_string(Newest());
  Say(amy, "one");
  Say(amy, "two");
  for (const auto& [target, header] : std::vector<std::pair<std::string, std::string>>{
           {"/channel.asp", "Last-Event-ID: " + before},
           {"/channel.asp?sayid=" + before, "Accept: text/event-stream"}}) {
    auto client = Client();
    client->Open(target, {bob, header});
    const std::string first = client->ReadUntil("\n\n");
    EXPECT_TRUE(std::regex_search(
        first, std::regex("data: parent.addsay\\(\\d+,'one',.*,\\d+,'two',.*\\);parent.ref")))
        << target << first;
  }
  EXPECT_EQ(Client()->Get("/channel.asp?sayid=x", {bob}).status, 400);
}

TEST_P(ChannelTest, AVisitorWhoMayPollNoMoreGetsRefreshsAnswerAndTheChannelEnds) {
  Start({"--set", "l_kick=6", "--set", "nosaytimeout=1"});
  CookieLine("bob", "secret2");
  db_->Exec("UPDATE user SET user_level=7 WHERE username='bob'");
  const std::string mod = CookieLine("bob", "secret2");
  const std::string amy = CookieLine("amy", "secret1");
  const std::string cat = CookieLine("cat", "secret3");
  auto kicked = OpenChannel(amy);
  const std::string token = FormToken(mod, "/modtools.asp?towho=amy");
  Client()->Post("/modtools.asp", "do=kick&towho=amy&n=5&formtoken=" + token, {mod});
  server_->channels().Beat();
  const auto end_event = [](HttpClient& channel) {
    channel.ReadUntil("event: end\n");
    return channel.ReadUntil("\n\n");
  };
  EXPECT_EQ(end_event(*kicked), "data: top.location.href = 'close.asp';\n\n");
  EXPECT_EQ(kicked->ReadUntil("\r\n0\r\n\r\n"), "\r\n0\r\n\r\n");  // the end of the stream

  auto silent = OpenChannel(cat);
  auto elsewhere = OpenChannel(mod);
  CookieLine("bob", "secret2");  // bob logs in again from another browser
  clock_.Advance(120);           // cat said nothing for 2 minutes
  server_->channels().Beat();
  EXPECT_EQ(end_event(*silent), "data: top.location.href = 'close.asp';\n\n");
  const std::string not_logged_in =
      "data: top.location.href = 'showerr.asp?errtext=你还没有登录到聊天室！';\n\n";
  EXPECT_EQ(end_event(*elsewhere), not_logged_in);
  auto stranger = Client();
  stranger->Open("/channel.asp");
  EXPECT_EQ(end_event(*stranger), not_logged_in);
}

TEST_P(ChannelTest, AnOpenChannelKeepsItsVisitorOnlineAndAClosedOneDoesNot) {
  Start();
  const std::string amy = CookieLine("amy", "secret1");
  const std::string bob = CookieLine("bob", "secret2");
  auto open = OpenChannel(amy);
  OpenChannel(bob).reset();  // bob's window closes its channel
  clock_.Advance(120);
  server_->channels().Beat();
  EXPECT_NE(open->ReadUntil(":\n\n"), "");  // the heartbeat: nothing new
  clock_.Advance(61);
  server_->Sweep();
  EXPECT_TRUE(keyed_list::Contains(AppText("_user_list"), "amy"));
  EXPECT_FALSE(keyed_list::Contains(AppText("_user_list"), "bob"));
}

TEST_P(ChannelTest, PastTheLimitAWindowIsToldToPollAndTheLimitIsLoggedOnce) {
  Start({"--max-channels", "1"});
  const std::string amy = CookieLine("amy", "secret1");
  auto open = OpenChannel(amy);
  EXPECT_EQ(Client()->Get("/channel.asp", {amy}).status, 204);
  EXPECT_EQ(Client()->Get("/channel.asp", {amy}).status, 204);
  EXPECT_EQ(ErrorLines(), std::vector<std::string>{
                              "ravochat-server: 1 channels open, the limit: further windows poll"});
}

TEST_P(ChannelTest, AStopEndsAThousandOpenChannelsAtOnceAndStillSavesTheState) {
  Start({"--per-address", "0"});
  const std::string amy = CookieLine("amy", "secret1");
  std::vector<std::unique_ptr<HttpClient>> channels;
  for (int i = 0; i < 1000; ++i) channels.push_back(OpenChannel(amy));
  const auto start = std::chrono::steady_clock::now();
  server_->Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  for (auto& channel : channels) EXPECT_EQ(channel->ReadUntil("never"), "");
  EXPECT_TRUE(Has(ErrorLines().back(), "saved the state for the next start"));
}

}  // namespace
}  // namespace ravochat::testing
