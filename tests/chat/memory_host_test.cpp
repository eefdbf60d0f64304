// The in-memory host objects: case-insensitive keys, and items from the query before the
// form. The application lock is exercised by the tests of many visitors at once.
#include <gtest/gtest.h>

#include "ravochat/host.h"

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

}  // namespace
}  // namespace ravochat
