// The password transform against reference texts worked out independently of this code.
#include "text/password.h"

#include <gtest/gtest.h>

#include <cctype>
#include <utility>

#include "ravochat/error.h"
#include "ravochat/lumochat.h"

namespace ravochat::text {
namespace {

std::string Transform(std::string_view password) {
  ClassicRandom rng;
  return TransformPassword(password, rng);
}

bool OnlyLettersAndDigits(const std::string& s) {
  for (char c : s) {
    if (!std::isalnum(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

TEST(PasswordCharacter, MapsTheRangesAndRoundsHalfToEven) {
  const std::pair<double, std::string> cases[] = {{0, "A"},  {25, "Z"}, {25.5, "Z"}, {25.7, "["},
                                                  {26, "a"}, {51, "z"}, {51.5, "z"}, {51.75, "{"},
                                                  {52, "0"}, {61, "9"}};
  for (const auto& [x, expected] : cases) {
    double code = x;
    EXPECT_EQ(PasswordCharacter(code), expected) << x;
  }
}

TEST(PasswordCharacter, LeavesTheCodeInTheArgument) {
  double x = 25.7;
  PasswordCharacter(x);
  EXPECT_EQ(x, 90.7);
}

TEST(TransformPassword, ReproducesStoredTexts) {
  EXPECT_EQ(Transform("a"), "31zqnmdaZQNMHECBB9532100zvrqoo");
  EXPECT_EQ(Transform("password"), "SOONOMLJImGkFEkDECDgCfg9JE72xs");
  EXPECT_EQ(Transform("ABCxyz09"), "DEzBwvtsrqpynwutsrqpqopqyeoeUK");
}

TEST(TransformPassword, LengthsThatDivideThirtyGiveOnlyLettersAndDigits) {
  for (std::string_view password : {"x", "ab", "abc", "abcde", "abcdef", "0123456789",
                                    "0123456789abcde", "0123456789abcdefghijklmnopqrst"}) {
    std::string s = Transform(password);
    EXPECT_EQ(s.size(), 30u) << password;
    EXPECT_TRUE(OnlyLettersAndDigits(s)) << password << " " << s;
  }
}

TEST(TransformPassword, OtherLengthsEndInUnroundedCharacters) {
  EXPECT_EQ(Transform("1234567"), "ONNNMIFDBBBA8532100yvsoopnnn4c");
  for (std::string_view password : {"abcd", "abcdefghijk", "abcdefghijklmnopqrstuvwxyz0123"}) {
    EXPECT_EQ(Transform(password).size(), 30u) << password;
  }
}

TEST(TransformPassword, PasswordsLongerThanThirtyUseOnlyTheSecondPass) {
  EXPECT_EQ(Transform("abcdefghijklmnopqrstuvwxyz01234"), "JYn2IYn2IXn2IXn2IXm2IXm1IXm1HX");
  EXPECT_EQ(Transform("abcdefghijklmnopqrstuvwxyz0123456789"), "q5Mbq5Lbq5Laq5Lap5Lap4L[p4K[p4");
}

TEST(TransformPassword, SingleBytePasswordIgnoresEarlierDraws) {
  ClassicRandom used;
  for (int i = 0; i < 5; ++i) used.Next();
  used.Seed(777);
  EXPECT_EQ(TransformPassword("password", used), "SOONOMLJImGkFEkDECDgCfg9JE72xs");
}

TEST(TransformPassword, EmptyPasswordIsAnError) { EXPECT_THROW(Transform(""), Error); }

class PasswordMembers : public ::testing::Test {
 protected:
  ManualClock clock_;
  lumochat chat_{clock_};
};

TEST_F(PasswordMembers, TrpassStoresTheTrimmedPassword) {
  std::string password = "  pass word ";
  EXPECT_EQ(chat_.Trpass(password), "MJnmlkFELhJfI98c775645Z32YWfXP");
  EXPECT_EQ(password, "pass word");
}

TEST_F(PasswordMembers, DoubleBytePasswordGivesTheSameTextEveryTime) {
  std::string first = "中文密码";
  EXPECT_EQ(chat_.Trpass(first), "Tux2qIWdUOZlanPHEgdFhQ8kIWVwAj");
  std::string other = "password";
  chat_.Trpass(other);
  std::string again = "中文密码";
  EXPECT_EQ(chat_.Trpass(again), "Tux2qIWdUOZlanPHEgdFhQ8kIWVwAj");
}

TEST_F(PasswordMembers, BlankPasswordIsAnErrorAfterTrimming) {
  std::string password = "   ";
  EXPECT_THROW(
      {
        try {
          chat_.Trpass(password);
        } catch (const Error& e) {
          EXPECT_STREQ(e.what(), "password is empty");
          throw;
        }
      },
      Error);
  EXPECT_EQ(password, "");
}

}  // namespace
}  // namespace ravochat::text
