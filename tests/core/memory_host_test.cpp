// The in-memory host objects: case-insensitive keys, items from the query before the
// form, and an application lock that makes read-change-store sequences atomic.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "core/convert.h"
#include "ravochat/host.h"

namespace ravochat {
namespace {

TEST(MemoryHost, ApplicationKeysIgnoreLetterCase) {
  MemoryApplication app;
  app.Set("C1_User_List", Value("x"));
  EXPECT_EQ(app.Get("c1_user_list"), Value("x"));
  app.Set("c1_USER_LIST", Value("y"));
  EXPECT_EQ(app.Get("C1_user_list"), Value("y"));
  EXPECT_TRUE(app.Get("c2_user_list").IsEmpty());
}

TEST(MemoryHost, SessionKeysIgnoreLetterCase) {
  MemorySession session;
  session.Set("MyName", Value("amy"));
  EXPECT_EQ(session.Get("myname"), Value("amy"));
  EXPECT_TRUE(session.Get("mytemp").IsEmpty());
}

TEST(MemoryHost, ItemPrefersTheQueryToTheForm) {
  MemoryRequest request;
  request.SetForm("id", Value("form"));
  request.SetForm("says", Value("hi"));
  request.SetQuery("ID", Value("query"));
  EXPECT_EQ(request.Item("id"), Value("query"));
  EXPECT_EQ(request.Item("says"), Value("hi"));
  EXPECT_EQ(request.Form("id"), Value("form"));
  EXPECT_TRUE(request.Item("towho").IsEmpty());
}

TEST(MemoryHost, ServerVariablesAreKeptApart) {
  MemoryRequest request;
  request.SetServerVariable("REMOTE_ADDR", Value("10.0.0.1"));
  EXPECT_EQ(request.ServerVariable("remote_addr"), Value("10.0.0.1"));
  EXPECT_TRUE(request.Item("REMOTE_ADDR").IsEmpty());
}

TEST(MemoryHost, CaseInsensitiveOrderFoldsAsciiOnly) {
  CaseInsensitiveLess less;
  EXPECT_FALSE(less("ABC", "abc"));
  EXPECT_FALSE(less("abc", "ABC"));
  EXPECT_TRUE(less("abc", "ABD"));
  EXPECT_TRUE(less("[", "Z")) << "Z folds to z, which sorts after [";
}

TEST(MemoryHost, TheLockMakesReadChangeStoreAtomicAcrossThreads) {
  MemoryApplication app;
  app.Set("_count", Value(0));
  constexpr int kThreads = 8;
  constexpr int kRounds = 2000;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&app] {
      for (int i = 0; i < kRounds; ++i) {
        auto lock = app.Lock();
        std::int32_t n = convert::ToInt32(app.Get("_count"));
        app.Set("_count", Value(n + 1));
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(app.Get("_count"), Value(kThreads * kRounds));
}

}  // namespace
}  // namespace ravochat
