// Sessions in Redis, against the test run's Redis server; each test under a chat prefix of
// its own, so that test processes running at once never share keys.
#include "state/shared_sessions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "core/value_codec.h"
#include "support/temp_database.h"

namespace ravochat::state {
namespace {

class SharedSessionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    address_ = testing::TestRedisAddress();
    if (address_.empty()) GTEST_SKIP();
    pool_ = std::make_shared<RedisPool>(address_);
    prefix_ = testing::UniqueName();
  }

  // Sessions of this test's chat (+ `chat_suffix`) through `pool`, as one process sees them.
  std::unique_ptr<RedisSessions> Sessions(std::shared_ptr<RedisPool> pool, std::int64_t idle = 60,
                                          std::string_view kind = "visitor",
                                          std::string chat_suffix = "") {
    return std::make_unique<RedisSessions>(std::move(pool), prefix_ + chat_suffix, kind, idle);
  }
  RedisReply Raw(const RedisCommand& command) { return pool_->Take()->Run(command); }
  std::string KeyOf(const std::string& id) { return "ravochat:" + prefix_ + ":visitor:" + id; }

  std::string address_;
  std::shared_ptr<RedisPool> pool_;
  std::string prefix_;
};

TEST_F(SharedSessionsTest, ValuesWrittenByOneProcessAreReadByAnotherUnderLowerCasedNames) {
  const std::vector<std::string> names = {"MyName", "Level", "Ratio", "Since", "Gone"};
  const std::vector<Value> values = {"amy 张三", 3, 2.5, Date{3'900'000'000}, Value()};
  std::string id;
  std::shared_ptr<Session> written = Sessions(pool_)->Create(id);
  written->Set("LEVEL", Value(1));
  for (std::size_t i = 0; i < names.size(); ++i) written->Set(names[i], values[i]);
  std::shared_ptr<Session> read = Sessions(std::make_shared<RedisPool>(address_))->Find(id);
  ASSERT_NE(read, nullptr);
  for (std::size_t i = 0; i < names.size(); ++i) EXPECT_EQ(read->Get(names[i]), values[i]);
  EXPECT_EQ(Raw({"HLEN", KeyOf(id)}).integer, 6) << "one field per name, and the placeholder";
}

TEST_F(SharedSessionsTest, ASessionLastsItsIdleTimeFromItsLastUseAndNoLongerAfterRemoval) {
  auto sessions = Sessions(pool_, 1);
  std::string kept, removed;
  sessions->Create(kept);
  auto late = sessions->Create(removed);
  sessions->Remove(removed);
  late->Set("name", Value("bob"));  // a request still under way must not bring it back
  EXPECT_EQ(sessions->Find(removed), nullptr);
  Raw({"PEXPIRE", KeyOf(kept), "50"});
  ASSERT_NE(sessions->Find(kept), nullptr);
  const long long left = Raw({"PTTL", KeyOf(kept)}).integer;
  EXPECT_GT(left, 500) << "Find starts the idle time of one second again";
  EXPECT_LE(left, 1000) << "and no longer";

  // Found from this process's copy, it is renewed in batches, yet as if by every use.
  while (!sessions->Listening()) std::this_thread::yield();
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(2500);
  while (std::chrono::steady_clock::now() < until) {
    ASSERT_NE(sessions->Find(kept), nullptr);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_EQ(Raw({"EXISTS", KeyOf(kept)}).integer, 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  EXPECT_EQ(Raw({"EXISTS", KeyOf(kept)}).integer, 0) << "its idle time passed since its last use";
}

// A process reads a session once and keeps it until a change made anywhere is announced.
TEST_F(SharedSessionsTest, AProcessKeepsWhatItReadUntilAnyProcessChangesOrRemovesIt) {
  auto there = Sessions(std::make_shared<RedisPool>(address_));
  std::string id;
  there->Create(id)->Set("name", Value("amy"));
  auto here = Sessions(pool_);
  while (!here->Listening()) std::this_thread::yield();
  const auto name_here = [&] {
    std::shared_ptr<Session> session = here->Find(id);
    return session ? session->Get("name") : Value("(none)");
  };
  ASSERT_EQ(name_here(), Value("amy"));
  Raw({"HSET", KeyOf(id), "name", value_codec::EncodeValue(Value("unannounced"))});
  EXPECT_EQ(name_here(), Value("amy"));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  there->Find(id)->Set("name", Value("bob"));
  while (name_here() != Value("bob") && std::chrono::steady_clock::now() < deadline) {
  }
  EXPECT_EQ(name_here(), Value("bob"));
  there->Remove(id);
  while (name_here() != Value("(none)") && std::chrono::steady_clock::now() < deadline) {
  }
  EXPECT_EQ(name_here(), Value("(none)"));
}

TEST_F(SharedSessionsTest, ForEachVisitsEveryLiveSessionOfItsChatAndKindAndStoresItsChanges) {
  std::string a, b, c, other;
  auto sessions = Sessions(pool_);
  for (std::string* id : {&a, &b, &c}) sessions->Create(*id)->Set("name", Value(*id));
  sessions->Remove(b);
  Sessions(pool_, 60, "admin")->Create(other)->Set("name", Value("admin"));
  Sessions(pool_, 60, "visitor", "x")->Create(other)->Set("name", Value("other chat"));
  std::vector<std::string> names;
  Sessions(std::make_shared<RedisPool>(address_))->ForEach([&](Session& session) {
    names.push_back(*session.Get("name").AsText());
    session.Set("name", Value("forgotten"));
  });
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{std::min(a, c), std::max(a, c)}));
  EXPECT_EQ(sessions->Find(c)->Get("name"), Value("forgotten"));
}

}  // namespace
}  // namespace ravochat::state
