// Servers that share one chat through Redis: two processes serve the same visitors, lose no
// line to each other, and one carries on when the other is killed; a restart drops nobody.
#include <signal.h>
#include <unistd.h>

#include <gmock/gmock.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <thread>

#include "ravochat/error.h"
#include "server/child_process.h"
#include "server/server_fixture.h"
#include "state/redis_link.h"
#include "support/temp_database.h"

namespace ravochat::testing {
namespace {

bool LoggedIn(const HttpReply& poll) {
  return poll.status == 200 && poll.body.find("parent.ref(") != std::string::npos;
}

TEST(SharedStateServers, TwoProcessesServeOneChatAndOneCarriesOnWhenTheOtherIsKilled) {
  const std::string redis = TestRedisAddress();
  if (redis.empty()) return;
  TempDatabase db(false, ReachableBackend(Backend::kPostgres), false);
  const std::string log = ::testing::TempDir() + "shared_state_servers.log";
  const std::string prefix = UniqueName();
  const auto start = [&] {
    const std::uint16_t port = FreePort();
    return std::make_unique<ChildProcess>(
        std::vector<std::string>{RAVOCHAT_SERVER_BINARY, "--listen",
                                 "127.0.0.1:" + std::to_string(port), "--db", db.connstr(),
                                 "--state", redis, "--chat", prefix, "--set", "floodlines=0",
                                 "--set", "loginsperminute=0", "--set", "newusernum=20", "--set",
                                 "passwordmemory=1", "--set", "passwordpasses=1"},
        port, log);
  };
  auto one = start();
  auto two = start();
  const std::uint16_t first = one->port(), second = two->port();

  const std::string amy = CookieLineAt(first, "amy", "secret1");
  const std::string bob = CookieLineAt(second, "bob", "secret1");
  HttpClient(second).Get("/refresh.asp", {bob});
  // A poll reads its server's copy, which takes in the line as soon as it is announced.
  SayAt(first, amy, "你好，两个服务器");
  bool arrived = false;
  for (int i = 0; i < 100 && !arrived; ++i) {
    arrived = HttpClient(second).Get("/refresh.asp", {bob}).body.find(Gbk("你好，两个服务器")) !=
              std::string::npos;
    if (!arrived) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_TRUE(arrived);
  EXPECT_TRUE(LoggedIn(HttpClient(second).Get("/refresh.asp", {amy})));
  {
    // A poll takes no lock: it is answered while another holds the chat's lock.
    state::RedisLink link(redis);
    const std::string lock = "ravochat:" + prefix + ":lock";
    link.Run({"SET", lock, "another", "PX", "30000"});
    EXPECT_TRUE(LoggedIn(HttpClient(first).Get("/refresh.asp", {amy})));
    link.Run({"DEL", lock});
  }
  {
    // A channel held on one server brings a line posted through the other at once, long
    // before its heartbeat.
    HttpClient channel(second);
    channel.Open("/channel.asp", {bob});
    channel.ReadUntil("\n\n");
    SayAt(first, amy, "推过去");
    EXPECT_NE(channel.ReadUntil("推过去"), "");
  }

  // Eight posters, each line through the other process than his last; bob reads along through
  // both, his browser keeping the newest number each answer names, as his window's script does.
  // Every line reaches him once, and the numbers of the lines have no gaps.
  std::vector<std::string> posters;
  for (int i = 0; i < 8; ++i)
    posters.push_back(CookieLineAt(i % 2 ? first : second, "p" + std::to_string(i), "secret1"));
  constexpr int kLinesEach = 40;
  std::atomic<int> posting = 8, said = 0;
  std::vector<std::thread> threads;
  for (int i = 0; i < 8; ++i) {
    threads.emplace_back([&, i] {
      for (int n = 0; n < kLinesEach; ++n) {
        const std::string reply = SayAt(n % 2 ? first : second, posters[i],
                                        "L" + std::to_string(i) + "n" + std::to_string(n) + "x");
        if (reply.find("parent.ref(") != std::string::npos) ++said;
      }
      --posting;
    });
  }
  std::map<std::string, int> heard;
  std::set<long> numbers;
  const std::regex line("([0-9]+),'[^']*?(L[0-9]+n[0-9]+x)"), newest("parent\\.ref\\(([0-9]+)\\)");
  int missed = 0;
  std::string remembered;
  const auto read_along = [&](int n) {
    const std::string body =
        HttpClient(n % 2 ? first : second).Get("/refresh.asp", {bob + remembered}).body;
    if (std::smatch m; std::regex_search(body, m, newest)) remembered = "; lastsayid=" + m[1].str();
    for (std::sregex_iterator it(body.begin(), body.end(), line), end; it != end; ++it) {
      ++heard[(*it)[2].str()];
      numbers.insert(std::stol((*it)[1].str()));
    }
    if (body.find(Gbk("消息太多")) != std::string::npos) ++missed;
  };
  for (int n = 0; posting > 0; ++n) read_along(n);
  for (auto& thread : threads) thread.join();
  for (int i = 0; i < 100 && heard.size() < static_cast<std::size_t>(said.load()); ++i) {
    read_along(i);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(missed, 0);
  EXPECT_EQ(said.load(), 8 * kLinesEach);
  EXPECT_EQ(heard.size(), static_cast<std::size_t>(said.load()));
  for (const auto& [text, times] : heard) EXPECT_EQ(times, 1) << text;
  ASSERT_EQ(numbers.size(), heard.size());
  EXPECT_EQ(*numbers.rbegin() - *numbers.begin() + 1, static_cast<long>(numbers.size()));
  EXPECT_THAT(
      HttpClient(first).Get("/metrics").body,
      ::testing::HasSubstr("ravochat_shared_lock_held_seconds_total{chat=\"" + prefix + "\"} "));

  one->Kill(SIGKILL);
  const HttpReply poll = HttpClient(second).Get("/refresh.asp", {amy});
  EXPECT_TRUE(LoggedIn(poll));
  EXPECT_NE(poll.body.find("parent.allusernum=10;"), std::string::npos);
  SayAt(second, amy, "还在");
  EXPECT_NE(HttpClient(second).Get("/refresh.asp", {bob}).body.find(Gbk("还在")),
            std::string::npos);
}

class SharedStateRestartTest : public ServerTest {};

TEST_P(SharedStateRestartTest, ARestartKeepsEveryVisitorAndEveryLine) {
  const std::string redis = TestRedisAddress();
  if (redis.empty()) return;
  const std::string prefix = UniqueName();
  Start({"--state", redis, "--chat", prefix});
  const std::string amy = CookieLine("amy", "secret1");
  const std::string bob = CookieLine("bob", "secret2");
  Client()->Get("/refresh.asp", {bob});
  Say(amy, "重启之前");
  const Value ring = server_->application().Get(prefix + "_says");
  const std::string users = AppText(prefix + "_user_list");
  server_->Stop();
  server_.reset();
  Start({"--state", redis, "--chat", prefix});
  EXPECT_EQ(server_->application().Get(prefix + "_says"), ring);
  EXPECT_EQ(AppText(prefix + "_user_list"), users);
  const std::string poll = Poll(bob);
  EXPECT_NE(poll.find(Gbk("'重启之前','amy'")), std::string::npos) << poll;
  EXPECT_TRUE(LoggedIn(Client()->Get("/refresh.asp", {amy})));
  EXPECT_EQ(ErrorLines(), std::vector<std::string>{});
}

// A Redis server of the test's own on a loopback port, its data kept in an append-only file.
std::unique_ptr<ChildProcess> StartRedis(std::uint16_t port, const std::string& folder) {
  return std::make_unique<ChildProcess>(
      std::vector<std::string>{"/usr/bin/redis-server", "--port", std::to_string(port), "--bind",
                               "127.0.0.1", "--dir", folder, "--appendonly", "yes", "--save", ""},
      port, folder + "/redis.log");
}

TEST_P(SharedStateRestartTest, WithoutRedisRequestsFailAndTheServerReconnectsWhenItIsBack) {
  if (TestRedisAddress().empty()) return;
  EXPECT_THAT(
      [&] {
        Start({"--state", "redis://127.0.0.1:1"});
      },
      ::testing::ThrowsMessage<StateError>(
          "cannot reach Redis at redis://127.0.0.1:1: Connection refused"));
  const std::string folder = MakeTempFolder();
  const std::uint16_t port = FreePort();
  auto redis = StartRedis(port, folder);
  Start({"--state", "redis://127.0.0.1:" + std::to_string(port), "--chat", UniqueName()});
  const std::string amy = CookieLine("amy", "secret1");
  redis.reset();
  EXPECT_EQ(Client()->Get("/refresh.asp", {amy}).status, 500);
  EXPECT_EQ(
      Client()->Post("/say.asp", GbkForm({{"says", "不在"}, {"towho", "大家"}}), {amy}).status,
      500);
  EXPECT_THAT(ErrorLines(), ::testing::SizeIs(2));
  redis = StartRedis(port, folder);
  const HttpReply back = Client()->Get("/refresh.asp", {amy});
  EXPECT_TRUE(LoggedIn(back)) << back.status << back.body;
  EXPECT_NE(Say(amy, "又在了").find("parent.ref("), std::string::npos);
  EXPECT_THAT(ErrorLines(), ::testing::SizeIs(2));
  redis.reset();
  std::filesystem::remove_all(folder);
}

INSTANTIATE_TEST_SUITE_P(Db, SharedStateRestartTest, ::testing::Values(Backend::kSqlite),
                         BackendName);

}  // namespace
}  // namespace ravochat::testing
