// Two RedisApplications on one Redis server stand for two processes serving one chat.
#include <gtest/gtest.h>

#include <thread>

#include "core/convert.h"
#include "core/records.h"
#include "ravochat/error.h"
#include "ravochat/shared_state.h"
#include "state/redis_application.h"
#include "state/redis_link.h"
#include "support/chat_fixture.h"
#include "support/temp_database.h"

namespace ravochat::state {
namespace {

Fields RoomFields() { return Fields(room_field::kCount + 1, ""); }

class SharedStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Without the test server the test is skipped (or failed) here, before its body runs.
    address_ = testing::TestRedisAddress();
    prefix_ = testing::UniqueName();
  }
  std::unique_ptr<RedisApplication> Process() {
    return std::make_unique<RedisApplication>(address_, std::vector<std::string>{prefix_});
  }
  std::string Key(std::string_view name) { return prefix_ + std::string(name); }
  // What a process holds of the chat, brought up to date.
  std::string Seen(RedisApplication& app) {
    RedisChatState& chat = app.ChatOf(prefix_);
    MutexLock lock(chat.mutex());
    const Value ring = chat.GetValue(Key("_says"));
    std::string seen = chat.Text(List::kUsers) + "|" + chat.Text(List::kRooms) + "|" +
                       ValueText(chat.GetValue(Key("_current")));
    const Grid& grid = ring.GetGrid();
    for (std::size_t row = 0; row < grid.rows; ++row) {
      for (std::size_t col = 0; col < grid.cols; ++col)
        seen += "|" + ValueText(grid.Cell(row, col));
    }
    return seen;
  }

  std::string address_;
  std::string prefix_;
};

TEST_F(SharedStateTest, EveryKindOfChangeReachesTheOtherProcessesAndALateOne) {
  auto a = Process();
  auto b = Process();
  a->Set(Key("_says"), Value::MakeGrid(4, 2));
  a->Set(Key("_room_list"), Value("<$1$>大厅$><$1$>"));  // damaged text kept as it is
  EXPECT_EQ(Seen(*a), Seen(*b));
  {
    RedisChatState& chat = a->ChatOf(prefix_);
    MutexLock lock(chat.mutex());
    chat.SetText(List::kRooms, "");
    chat.Append(List::kRooms, "1", RoomFields());
    chat.Append(List::kRooms, "2", RoomFields());
    chat.AddOccupant("1", "张三");
    chat.AddOccupant("1", "li si");
    chat.RemoveOccupant("1", "张三");
    chat.Append(List::kUsers, "张三", {"a", "b"});
    chat.Append(List::kUsers, "li si", {"c", "d"});
    chat.Append(List::kUsers, "张三", {"e", "f"});  // moves to the end
    chat.SetField(List::kUsers, "li si", 1, "x");
    chat.Remove(List::kRooms, "2");
    Value ring = chat.GetValue(Key("_says"));
    ring.MutableAt(2, 1) = Value("第三行");
    chat.SetValue(Key("_says"), ring);  // one row changed in place
    chat.SetValue(Key("_CURRENT"), Value(2));
  }
  const std::string expected = Seen(*a);
  EXPECT_NE(expected.find("第三行"), std::string::npos);
  EXPECT_EQ(Seen(*b), expected);
  EXPECT_EQ(Seen(*Process()), expected);  // read whole from Redis
  EXPECT_EQ(b->Get(Key("_user_list")), a->Get(Key("_user_list")));

  // The flood-control windows and the sent-away tokens: a window filled in one process counts
  // in the other, and a token sent away is taken once, wherever it is taken.
  const auto restraints = [&](RedisApplication& app, auto use) {
    RedisChatState& chat = app.ChatOf(prefix_);
    MutexLock lock(chat.mutex());
    return use(chat.restraints());
  };
  restraints(*a, [](Restraints& r) {
    r.SendAway("t");
    return r.Note("amy", Date{100}, 10);
  });
  EXPECT_EQ(restraints(*b, [](Restraints& r) { return r.Note("amy", Date{101}, 10); }), 2u);
  EXPECT_TRUE(restraints(*b, [](Restraints& r) { return r.TakeSentAway("t"); }));
  EXPECT_FALSE(restraints(*a, [](Restraints& r) { return r.TakeSentAway("t"); }));

  // A process more changes behind than Redis keeps reads the whole state again.
  for (int i = 0; i < 1001; ++i) a->Set(Key("_current"), Value(i));
  EXPECT_EQ(Seen(*b), Seen(*a));
}

// The time a visitor was last seen and the last line he was sent change with every poll: they
// are stored outside the journal, and the others take them in when they read them for all.
TEST_F(SharedStateTest, AVisitorsOwnFieldsReachTheOthersWithoutAChangeOfTheStateNewerFirst) {
  auto a = Process();
  auto b = Process();
  RedisLink redis(address_);
  const auto seen = [](int second) { return convert::DateToText(Date{3'900'000'000 + second}); };
  const auto change = [&](RedisApplication& app, auto use, Access access = Access::kChange) {
    RedisChatState& chat = app.ChatOf(prefix_);
    MutexLock lock(chat.mutex(), access);
    use(chat);
  };
  // As the process's copy holds them, or exact, as the idle sweep reads them.
  const auto amy = [&](RedisApplication& app, bool exact = true) {
    Fields f;
    change(app, [&](RedisChatState& chat) {
      if (exact) chat.TakeInSeen();
      f = chat.Find(List::kUsers, "amy").value_or(Fields(user_field::kCount, ""));
    });
    return f[user_field::kLastSeen] + " " + f[user_field::kLastSayId];
  };
  const auto note = [&](RedisApplication& app, int second, int sent) {
    change(
        app, [&](RedisChatState& chat) { chat.SetSeen("amy", seen(second), std::to_string(sent)); },
        Access::kRead);
  };
  const auto login = [&](int second, int sent) {
    Fields f(user_field::kCount, "");
    f[user_field::kLastSeen] = seen(second);
    f[user_field::kLastSayId] = std::to_string(sent);
    change(*a, [&](RedisChatState& chat) { chat.Append(List::kUsers, "amy", f); });
  };
  const auto eventually = [&](RedisApplication& app, const std::string& expected, bool exact) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (amy(app, exact) != expected && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_EQ(amy(app, exact), expected);
  };

  login(0, 5);
  const RedisCommand version{"GET", "ravochat:" + prefix_ + ":version"};
  const std::string stored = redis.Run(version).text;
  note(*a, 20, 7);
  EXPECT_EQ(redis.Run(version).text, stored) << "a poll is no change of the chat's state";
  // Once its copy follows the others' changes, a process reads it without the lock, and a
  // change that must be stored is refused there.
  bool reading = false;
  for (int i = 0; i < 100 && !reading; ++i) {
    change(
        *a, [&](RedisChatState& chat) { reading = chat.mutex().Local(); }, Access::kRead);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_TRUE(reading);
  change(
      *a, [](RedisChatState& chat) { EXPECT_THROW(chat.Remove(List::kUsers, "amy"), StateError); },
      Access::kRead);
  eventually(*b, seen(20) + " 7", true);
  note(*b, 30, 8);
  eventually(*a, seen(30) + " 8", false);  // its copy takes them in within seconds
  // Logged in again: his record is newer than what was stored of his last session.
  login(40, 9);
  EXPECT_EQ(amy(*b), seen(40) + " 9");
  change(*a, [](RedisChatState& chat) { chat.Remove(List::kUsers, "amy"); });
  EXPECT_EQ(redis.Run({"HEXISTS", "ravochat:" + prefix_ + ":seen", "amy"}).integer, 0);
}

// The idle sweep of one process keeps a visitor who polls through another and sends away one
// who stopped.
TEST_F(SharedStateTest, TheIdleSweepSeesThePollsMadeThroughAnotherProcess) {
  testing::ChatFixture chat(prefix_);
  chat.Params({"nosaytimeout=30", "dontsavevalue=30"});
  chat.Room(1, "大厅");
  auto a = Process();
  auto b = Process();
  chat.Init(a.get());
  MemorySession& amy = chat.Enter("amy", 1, 1, a.get());
  chat.Enter("bob", 1, 1, a.get());
  chat.clock.Advance(lumochat::kIdleSeconds - 60);
  MemoryRequest poll;
  ASSERT_NE(chat.Component()->refresh(*b, amy, poll).find("parent.ref("), std::string::npos);
  RedisLink redis(address_);
  while (redis.Run({"HEXISTS", "ravochat:" + prefix_ + ":seen", "amy"}).integer == 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // stored within a second
  }
  chat.clock.Advance(120);
  const lumochat::Departures gone = chat.Component()->SweepIdle(*a);
  EXPECT_EQ(gone.size(), 1u);
  EXPECT_TRUE(gone.contains("bob"));
  EXPECT_NE(chat.Component()->refresh(*b, amy, poll).find("parent.ref("), std::string::npos);
}

TEST_F(SharedStateTest, ConcurrentSequencesInTwoProcessesLoseNothing) {
  auto a = Process();
  auto b = Process();
  a->Set(Key("_visitor"), Value(0));
  constexpr int kThreads = 3, kRounds = 100;
  std::vector<std::thread> threads;
  for (int t = 0; t < 2 * kThreads; ++t) {
    threads.emplace_back([&, t] {
      RedisChatState& chat = (t % 2 == 0 ? *a : *b).ChatOf(prefix_);
      for (int i = 0; i < kRounds; ++i) {
        MutexLock lock(chat.mutex());
        const Value count = chat.GetValue(Key("_visitor"));
        chat.SetValue(Key("_visitor"), Value(*count.AsInteger() + 1));
        chat.Append(List::kUsers, std::to_string(t) + "-" + std::to_string(i), {"0"});
      }
    });
  }
  for (auto& thread : threads) thread.join();
  auto c = Process();
  for (RedisApplication* app : {a.get(), b.get(), c.get()}) {
    RedisChatState& chat = app->ChatOf(prefix_);
    MutexLock lock(chat.mutex());
    EXPECT_EQ(ValueText(chat.GetValue(Key("_visitor"))), std::to_string(2 * kThreads * kRounds));
    EXPECT_EQ(chat.Count(List::kUsers), 2u * kThreads * kRounds);
  }
}

TEST_F(SharedStateTest, ASequenceThatFailsOrLostItsLockStoresNothing) {
  auto a = Process();
  auto b = Process();
  a->Set(Key("_current"), Value(1));
  const auto attempt = [&](const std::function<void(RedisChatState&)>& after_change) {
    RedisChatState& chat = a->ChatOf(prefix_);
    MutexLock lock(chat.mutex());
    chat.SetValue(Key("_current"), Value(2));
    after_change(chat);
  };
  EXPECT_THROW(attempt([](RedisChatState&) { throw ListKeyError("failed half-way"); }),
               ListKeyError);
  EXPECT_EQ(TakeStoreFailure(), nullptr);
  // Another process's lock expiry is simulated by removing the lock under the holder. The end
  // of the scope cannot throw the failure: it is taken explicitly, or the next lock throws it.
  RedisLink other(address_);
  const auto lose_lock = [&](RedisChatState&) { other.Run({"DEL", SharedKey(prefix_, "lock")}); };
  attempt(lose_lock);
  EXPECT_THROW(ThrowStoreFailure(), StateError);
  attempt(lose_lock);
  EXPECT_THROW(MutexLock(a->ChatOf(prefix_).mutex()), StateError);
  for (RedisApplication* app : {a.get(), b.get()}) {
    RedisChatState& chat = app->ChatOf(prefix_);
    MutexLock lock(chat.mutex());
    EXPECT_EQ(ValueText(chat.GetValue(Key("_current"))), "1");
  }
}

// Sequences of one process stored together: when the last of them fails half-way, none is.
TEST_F(SharedStateTest, AFailureHalfWayFailsTheSequencesStoredWithItAndStoresNothing) {
  auto a = Process();
  RedisChatState& chat = a->ChatOf(prefix_);
  a->Set(Key("_current"), Value(1));
  std::thread waiting;
  bool failed_half_way = false;
  const auto first = [&] {
    MutexLock lock(chat.mutex());
    chat.SetValue(Key("_current"), Value(2));
    waiting = std::thread([&] {
      try {
        MutexLock lock(chat.mutex());
        chat.SetValue(Key("_visitor"), Value(5));
        throw ListKeyError("failed half-way");
      } catch (const ListKeyError&) {
        failed_half_way = true;
      }
    });
    while (!chat.mutex().Awaited()) std::this_thread::yield();
  };
  first();
  EXPECT_THROW(ThrowStoreFailure(), StateError);
  waiting.join();
  EXPECT_TRUE(failed_half_way);
  auto b = Process();
  RedisChatState& other = b->ChatOf(prefix_);
  MutexLock lock(other.mutex());
  EXPECT_EQ(ValueText(other.GetValue(Key("_current"))), "1");
  EXPECT_EQ(ValueText(other.GetValue(Key("_visitor"))), "");
}

}  // namespace
}  // namespace ravochat::state
