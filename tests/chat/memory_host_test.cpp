// The in-memory host objects: case-insensitive keys, items from the query before the
// form, and an application lock that makes read-change-store sequences atomic.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "core/convert.h"
#include "ravochat/host.h"
#include "state/chat_state.h"

namespace ravochat {
namespace {

TEST(MemoryHost, KeysIgnoreTheLetterCaseOfAsciiOnly) {
  MemoryApplication app;
  app.Set("C1_User_List", Value("x"));
  app.Set("c1_USER_LIST", Value("y"));
  EXPECT_EQ(app.Get("c1_user_list"), Value("y"));
  EXPECT_TRUE(app.Get("c2_user_list").IsEmpty());
  MemorySession session;
  session.Set("MyName", Value("amy"));
  EXPECT_EQ(session.Get("myname"), Value("amy"));
  EXPECT_TRUE(CaseInsensitiveLess()("[", "Z")) << "Z folds to z, which sorts after [";
}

TEST(MemoryHost, ItemPrefersTheQueryToTheFormAndLeavesServerVariablesApart) {
  MemoryRequest request;
  request.SetForm("id", Value("form"));
  request.SetForm("says", Value("hi"));
  request.SetQuery("ID", Value("query"));
  request.SetServerVariable("REMOTE_ADDR", Value("10.0.0.1"));
  EXPECT_EQ(request.Item("id"), Value("query"));
  EXPECT_EQ(request.Item("says"), Value("hi"));
  EXPECT_EQ(request.Form("id"), Value("form"));
  EXPECT_EQ(request.ServerVariable("remote_addr"), Value("10.0.0.1"));
  EXPECT_TRUE(request.Item("REMOTE_ADDR").IsEmpty());
}

TEST(MemoryHost, TheChatMutexMakesReadChangeStoreAtomicAcrossThreads) {
  MemoryApplication app;
  app.Set("_count", Value(0));
  constexpr int kThreads = 8;
  constexpr int kRounds = 2000;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&app] {
      for (int i = 0; i < kRounds; ++i) {
        state::MutexLock lock(app.Chat("").mutex());
        app.Set("_count", Value(convert::ToInt32(app.Get("_count")) + 1));
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(app.Get("_count"), Value(kThreads * kRounds));
}

}  // namespace
}  // namespace ravochat
