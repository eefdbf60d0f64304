// Sessions in Redis, against the test run's Redis server; each test under a chat prefix of
// its own, so that test processes running at once never share keys.
#include "state/shared_sessions.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "support/test_redis.h"

namespace ravochat::state {
namespace {

class SharedSessionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    address_ = testing::TestRedisAddress();
    if (address_.empty()) GTEST_SKIP();
    pool_ = std::make_shared<RedisPool>(address_);
    static std::atomic<int> counter = 0;
    prefix_ = "t" + std::to_string(getpid()) + "_" + std::to_string(++counter);
  }

  // The visitors' sessions of this test's chat; with `pool` a process of its own would use.
  std::unique_ptr<RedisSessions> Sessions(std::shared_ptr<RedisPool> pool,
                                          std::int64_t idle_seconds = 60,
                                          std::string_view kind = "visitor") {
    return std::make_unique<RedisSessions>(std::move(pool), prefix_, kind, idle_seconds);
  }
  RedisReply Raw(const RedisCommand& command) { return pool_->Take()->Run(command); }
  std::string KeyOf(const std::string& id) { return "ravochat:" + prefix_ + ":visitor:" + id; }

  std::string address_;
  std::shared_ptr<RedisPool> pool_;
  std::string prefix_;
};

TEST_F(SharedSessionsTest, ValuesWrittenByOneProcessAreReadByAnotherUnderLowerCasedNames) {
  const std::vector<std::pair<std::string, Value>> values = {
      {"MyName", Value("amy 张三")},         {"Level", Value(3)}, {"Ratio", Value(2.5)},
      {"Since", Value(Date{3'900'000'000})}, {"Gone", Value()},   {"Online", Value(true)}};
  std::string id;
  std::shared_ptr<Session> written = Sessions(pool_)->Create(id);
  EXPECT_EQ(id.size(), 32u);
  written->Set("LEVEL", Value(1));
  for (const auto& [name, value] : values) written->Set(name, value);
  EXPECT_EQ(written->Get("level"), Value(3));

  std::shared_ptr<Session> read = Sessions(std::make_shared<RedisPool>(address_))->Find(id);
  ASSERT_NE(read, nullptr);
  for (const auto& [name, value] : values) EXPECT_EQ(read->Get(name), value) << name;
  EXPECT_EQ(read->Get("MYNAME"), Value("amy 张三"));
  std::vector<std::string> fields;
  for (const RedisReply& field : Raw({"HKEYS", KeyOf(id)}).elements) fields.push_back(field.text);
  std::sort(fields.begin(), fields.end());
  EXPECT_EQ(fields,
            (std::vector<std::string>{"", "gone", "level", "myname", "online", "ratio", "since"}));
}

TEST_F(SharedSessionsTest, ASessionLastsItsIdleTimeFromItsLastUseAndNoLongerAfterRemoval) {
  auto sessions = Sessions(pool_, 1);
  std::string kept, removed;
  sessions->Create(kept);
  std::shared_ptr<Session> late = sessions->Create(removed);
  sessions->Remove(removed);
  late->Set("name", Value("bob"));  // a request still under way must not bring it back
  EXPECT_EQ(sessions->Find(removed), nullptr);
  EXPECT_EQ(Raw({"EXISTS", KeyOf(removed)}).integer, 0);

  Raw({"PEXPIRE", KeyOf(kept), "50"});
  ASSERT_NE(sessions->Find(kept), nullptr);
  EXPECT_GT(Raw({"PTTL", KeyOf(kept)}).integer, 500) << "Find starts the idle time again";
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  EXPECT_EQ(sessions->Find(kept), nullptr);
}

TEST_F(SharedSessionsTest, ForEachVisitsEveryLiveSessionOfItsChatAndKindAndStoresItsChanges) {
  auto sessions = Sessions(pool_);
  std::vector<std::string> ids(3);
  for (std::size_t i = 0; i < ids.size(); ++i) {
    sessions->Create(ids[i])->Set("name", Value(std::string(1, static_cast<char>('a' + i))));
  }
  sessions->Remove(ids[1]);
  std::string other;
  Sessions(pool_, 60, "admin")->Create(other)->Set("name", Value("admin"));
  std::make_unique<RedisSessions>(pool_, prefix_ + "x", "visitor", 60)
      ->Create(other)
      ->Set("name", Value("other chat"));

  std::vector<std::string> names;
  Sessions(std::make_shared<RedisPool>(address_))->ForEach([&](Session& session) {
    names.push_back(*session.Get("name").AsText());
    session.Set("name", Value("forgotten"));
  });
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"a", "c"}));
  EXPECT_EQ(sessions->Find(ids[2])->Get("name"), Value("forgotten"));
}

}  // namespace
}  // namespace ravochat::state
