// The comparison of secrets: equal only for the same text, whatever the lengths.
#include "ravochat/random_token.h"

#include <gtest/gtest.h>

namespace ravochat {
namespace {

TEST(SameSecret, OnlyTheSameTextIsTheSameSecret) {
  struct Case {
    std::string_view a, b;
    bool same;
  };
  for (const Case& c : {Case{"", "", true}, Case{"abc", "abc", true}, Case{"abc", "abd", false},
                        Case{"abc", "ab", false}, Case{"ab", "abc", false}, Case{"", "a", false},
                        Case{"Abc", "abc", false}}) {
    EXPECT_EQ(SameSecret(c.a, c.b), c.same) << c.a << " / " << c.b;
  }
}

}  // namespace
}  // namespace ravochat
