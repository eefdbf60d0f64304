// Many visitors posting and polling at once: every line is stored once, reaches everybody
// exactly once (a lost update of the user list would rewind somebody's last received number
// and send him lines again), and the user list keeps every record whole. On a ring too small
// for the traffic, a line that leaves the ring unread is announced, never silently lost.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "core/keyed_list.h"
#include "messages/messages_fixture.h"
#include "messages/says_ring.h"

namespace ravochat::messages {
namespace {

constexpr int kVisitors = 8;
constexpr int kLinesEach = 40;

std::string Name(int i) { return "v" + std::to_string(i); }
// Line k of visitor i as the pages send it.
std::string Sent(int i, int k) {
  return "'" + Name(i) + "x" + std::to_string(k) + "','" + Name(i) + "'";
}

// The newest number a poll page hands the browser.
int RefOf(const std::string& page) {
  std::size_t at = page.find("parent.ref(") + 11;
  return std::stoi(page.substr(at, page.find(')', at) - at));
}

class Crowd : public MessagesTest {
 protected:
  Crowd() : MessagesTest("1000") {
    for (int i = 0; i < kVisitors; ++i) chat.Enter(Name(i), 1);
  }

  // Posts kLinesEach lines, polling after each with the number the poll gave last; returns
  // everything the visitor was sent.
  std::string Chatter(int i) {
    std::string seen;
    int last = 0;
    for (int k = 0; k < kLinesEach; ++k) {
      seen += Post(Name(i), Name(i) + "x" + std::to_string(k), "大家", {{"id", last}});
      const std::string page = Refresh(Name(i));
      last = RefOf(page);
      seen += page;
    }
    return seen;
  }
};

TEST_F(Crowd, NoLineIsLostOrSentTwiceAndTheUserListStaysWhole) {
  std::string users_before = convert::ToText(chat.Get("_user_list"));
  std::vector<std::string> seen(kVisitors);
  std::vector<std::thread> threads;
  for (int i = 0; i < kVisitors; ++i) threads.emplace_back([&, i] { seen[i] = Chatter(i); });
  for (std::thread& t : threads) t.join();

  ASSERT_EQ(Newest(), kVisitors * kLinesEach);
  for (int i = 0; i < kVisitors; ++i) {
    seen[i] += Refresh(Name(i));
    for (int j = 0; j < kVisitors; ++j) {
      for (int k = 0; k < kLinesEach; ++k) {
        EXPECT_EQ(testing::Occurrences(seen[i], Sent(j, k)), 1) << Name(i) << " got " << Sent(j, k);
      }
    }
  }
  // Every record is as the login left it but for the last received number.
  std::string users = convert::ToText(chat.Get("_user_list"));
  ASSERT_EQ(keyed_list::CountRecords(users), static_cast<std::size_t>(kVisitors));
  for (int i = 0; i < kVisitors; ++i) {
    std::vector<std::string> before =
        keyed_list::SplitFields(keyed_list::SplitRecord(users_before, Name(i)).body);
    before.at(user_field::kLastSayId) = std::to_string(kVisitors * kLinesEach);
    EXPECT_EQ(keyed_list::SplitFields(keyed_list::SplitRecord(users, Name(i)).body), before)
        << Name(i);
  }
}

class BusyRing : public MessagesTest {
 protected:
  BusyRing() : MessagesTest("15") {
    for (int i = 0; i < kVisitors; ++i) chat.Enter(Name(i), 1);
    chat.Enter("watcher", 1);
  }

  // One poll of the watcher: every line after `last` is in it, unless it says that lines
  // were missed. Returns whether it said so and moves `last` to the poll's newest.
  bool PollAndCheck(int& last) {
    std::string page = Refresh("watcher");
    int newest = RefOf(page);
    bool announced = page.find(kMissedLinesText) != std::string::npos;
    for (int n = last + 1; n <= newest && !announced; ++n) {
      bool sent = page.find("(" + std::to_string(n) + ",'v") != std::string::npos ||
                  page.find("'," + std::to_string(n) + ",'v") != std::string::npos;
      EXPECT_TRUE(sent) << "line " << n << " vanished from " << page;
    }
    last = newest;
    return announced;
  }
};

TEST_F(BusyRing, EveryLineIsDeliveredOrAnnouncedAsMissed) {
  std::atomic<int> posting{kVisitors};
  std::vector<std::thread> threads;
  for (int i = 0; i < kVisitors; ++i) {
    threads.emplace_back([&, i] {
      for (int k = 0; k < kLinesEach; ++k) {
        Post(Name(i), Name(i) + "x" + std::to_string(k), "大家", {{"id", "0"}});
      }
      --posting;
    });
  }
  int last = 0;
  while (posting > 0) PollAndCheck(last);
  for (std::thread& t : threads) t.join();
  PollAndCheck(last);
  EXPECT_EQ(last, kVisitors * kLinesEach);
}

}  // namespace
}  // namespace ravochat::messages
