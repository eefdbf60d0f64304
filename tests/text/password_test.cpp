// The password transform against reference texts worked out independently of this code.
#include "text/password.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <utility>

#include "ravochat/error.h"
#include "ravochat/lumochat.h"
#include "support/error_text.h"

namespace ravochat::text {
namespace {

std::string Transform(std::string_view password) {
  ClassicRandom rng;
  return TransformPassword(password, rng);
}

TEST(PasswordCharacter, MapsTheRangesRoundsHalfToEvenAndLeavesTheCode) {
  const std::pair<double, std::string> cases[] = {{0, "A"},  {25, "Z"}, {25.5, "Z"}, {25.7, "["},
                                                  {26, "a"}, {51, "z"}, {51.5, "z"}, {51.75, "{"},
                                                  {52, "0"}, {61, "9"}};
  for (const auto& [x, expected] : cases) {
    double code = x;
    EXPECT_EQ(PasswordCharacter(code), expected) << x;
  }
  double x = 25.7;
  PasswordCharacter(x);
  EXPECT_EQ(x, 90.7);
}

TEST(TransformPassword, ReproducesStoredTextsWhateverWasDrawnBefore) {
  const std::pair<const char*, const char*> cases[] = {
      {"a", "31zqnmdaZQNMHECBB9532100zvrqoo"},
      {"password", "SOONOMLJImGkFEkDECDgCfg9JE72xs"},
      {"ABCxyz09", "DEzBwvtsrqpynwutsrqpqopqyeoeUK"},
      // A length that does not divide thirty ends in unrounded characters.
      {"1234567", "ONNNMIFDBBBA8532100yvsoopnnn4c"},
      // Longer than thirty: only the second pass draws.
      {"abcdefghijklmnopqrstuvwxyz01234", "JYn2IYn2IXn2IXn2IXm2IXm1IXm1HX"},
      {"abcdefghijklmnopqrstuvwxyz0123456789", "q5Mbq5Lbq5Laq5Lap5Lap4L[p4K[p4"}};
  for (const auto& [password, expected] : cases) EXPECT_EQ(Transform(password), expected);
  // Lengths that divide thirty give only letters and digits.
  for (std::string_view password : {"ab", "abcde", "0123456789abcdefghijklmnopqrst"}) {
    std::string s = Transform(password);
    EXPECT_EQ(s.size(), 30u);
    EXPECT_TRUE(std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isalnum(c); }))
        << s;
  }
  // A single-byte password ignores earlier draws.
  ClassicRandom used;
  for (int i = 0; i < 5; ++i) used.Next();
  used.Seed(777);
  EXPECT_EQ(TransformPassword("password", used), "SOONOMLJImGkFEkDECDgCfg9JE72xs");
}

class PasswordMembers : public ::testing::Test {
 protected:
  ManualClock clock_;
  lumochat chat_{clock_};
};

TEST_F(PasswordMembers, TrpassStoresTheTrimmedPasswordAndAnEmptyOrBlankOneIsAnError) {
  std::string password = "  pass word ";
  EXPECT_EQ(chat_.Trpass(password), "MJnmlkFELhJfI98c775645Z32YWfXP");
  EXPECT_EQ(password, "pass word");
  EXPECT_THROW(Transform(""), Error);
  password = "   ";
  EXPECT_EQ(testing::ErrorText<Error>([&] { chat_.Trpass(password); }), "password is empty");
  EXPECT_EQ(password, "");
}

TEST_F(PasswordMembers, DoubleBytePasswordGivesTheSameTextEveryTime) {
  std::string first = "中文密码", other = "password", again = "中文密码";
  EXPECT_EQ(chat_.Trpass(first), "Tux2qIWdUOZlanPHEgdFhQ8kIWVwAj");
  chat_.Trpass(other);
  EXPECT_EQ(chat_.Trpass(again), "Tux2qIWdUOZlanPHEgdFhQ8kIWVwAj");
}

}  // namespace
}  // namespace ravochat::text
