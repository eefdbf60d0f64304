// Many visitors posting and polling at once: every line is stored once, reaches everybody
// exactly once (a lost update of the user list would rewind somebody's last received number
// and send him lines again), and the user list keeps every record whole.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "core/keyed_list.h"
#include "core/records.h"
#include "messages/messages_fixture.h"

namespace ravochat::messages {
namespace {

constexpr int kVisitors = 8;
constexpr int kLinesEach = 40;

class Crowd : public MessagesTest {
 protected:
  Crowd() : MessagesTest("1000") {
    for (int i = 0; i < kVisitors; ++i) chat.Enter(Name(i), 1);
  }
  static std::string Name(int i) { return "v" + std::to_string(i); }
  static std::string Text(int i, int k) { return Name(i) + "x" + std::to_string(k); }

  static int Count(const std::string& text, const std::string& part) {
    int n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
      ++n;
    }
    return n;
  }

  // The number in the page's "parent.ref(n)".
  static std::string RefOf(const std::string& page) {
    std::size_t at = page.find("parent.ref(") + 11;
    return page.substr(at, page.find(')', at) - at);
  }

  // Posts kLinesEach lines, polling after each; returns everything the visitor was sent.
  std::string Chatter(int i) {
    std::string seen;
    std::string last = "0";
    for (int k = 0; k < kLinesEach; ++k) {
      MemoryRequest post;
      post.SetForm("says", Text(i, k));
      post.SetQuery("towho", "大家");
      post.SetQuery("id", last);
      seen += chat.Component()->subsay(chat.app, chat.SessionOf(Name(i)), post);
      MemoryRequest poll;
      std::string page = chat.Component()->refresh(chat.app, chat.SessionOf(Name(i)), poll);
      last = RefOf(page);
      seen += page;
    }
    return seen;
  }
};

TEST_F(Crowd, NoLineIsLostAndTheUserListStaysWhole) {
  std::string records_before = convert::ToText(chat.Get("_user_list"));
  std::vector<std::string> seen(kVisitors);
  std::vector<std::thread> threads;
  for (int i = 0; i < kVisitors; ++i) threads.emplace_back([&, i] { seen[i] = Chatter(i); });
  for (std::thread& t : threads) t.join();
  for (int i = 0; i < kVisitors; ++i) seen[i] += Refresh(Name(i));

  ASSERT_EQ(Newest(), kVisitors * kLinesEach);
  for (int i = 0; i < kVisitors; ++i) {
    for (int j = 0; j < kVisitors; ++j) {
      for (int k = 0; k < kLinesEach; ++k) {
        EXPECT_EQ(Count(seen[i], "'" + Text(j, k) + "','" + Name(j) + "'"), 1)
            << Name(i) << " got " << Text(j, k);
      }
    }
  }
  std::string users = convert::ToText(chat.Get("_user_list"));
  ASSERT_EQ(keyed_list::CountRecords(users), static_cast<std::size_t>(kVisitors));
  for (int i = 0; i < kVisitors; ++i) {
    std::vector<std::string> before =
        keyed_list::SplitFields(keyed_list::SplitRecord(records_before, Name(i)).body);
    std::vector<std::string> after =
        keyed_list::SplitFields(keyed_list::SplitRecord(users, Name(i)).body);
    ASSERT_EQ(after.size(), before.size());
    after[user_field::kLastSayId] = before[user_field::kLastSayId];
    EXPECT_EQ(after, before) << Name(i);
  }
  EXPECT_EQ(Field("_user_list", Name(0), user_field::kLastSayId),
            std::to_string(kVisitors * kLinesEach));
}

}  // namespace
}  // namespace ravochat::messages
