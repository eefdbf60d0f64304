// The password transform and the lumochat members Trpass and PassChar. The generator is
// reset before each transform, so that a password always gives the same text whatever the
// object drew before.
#include "text/password.h"

#include <cstdint>
#include <vector>

#include "core/convert.h"
#include "core/strings.h"
#include "ravochat/error.h"
#include "ravochat/lumochat.h"
#include "text/gbk.h"

namespace ravochat::text {
namespace {

// The running state of a transform.
struct Transform {
  std::vector<std::int16_t> codes;  // codes[t - 1] is a(t)
  std::int64_t sum = 0;
  double r = 0;
  std::string out;
};

// One character of the first pass: drawn from the code of character t.
void AppendDrawn(Transform& tf, int t, ClassicRandom& rng) {
  // The runtime multiplies its single-precision value in single precision.
  float product = rng.Next(-static_cast<double>(tf.sum + tf.codes[t - 1])) * 61.0f;
  tf.r = convert::RoundHalfEven(product);
  tf.sum += static_cast<std::int64_t>(tf.r) % 13 + 1;
  tf.out += PasswordCharacter(tf.r);
}

// One character of the second pass: drawn from the sum alone, never made whole first,
// which is how "[" and "{" get into stored texts.
void AppendFilled(Transform& tf, ClassicRandom& rng) {
  double x = rng.Next(-static_cast<double>(tf.sum)) * 61.0f;
  tf.out += PasswordCharacter(x);
  tf.sum += static_cast<std::int64_t>(tf.r) + 1;
}

}  // namespace

std::string PasswordCharacter(double& x) {
  if (x < 26) {
    x += 65;
  } else if (x < 52) {
    x += 71;
  } else {
    x -= 4;
  }
  return std::string(1, static_cast<char>(convert::RoundHalfEven(x)));
}

std::string TransformPassword(std::string_view password, ClassicRandom& rng) {
  Transform tf;
  tf.codes = GbkCodes(password);
  const int n = static_cast<int>(tf.codes.size());
  if (n == 0) throw Error("password is empty");
  for (std::int16_t code : tf.codes) tf.sum += code;
  rng.Seed(static_cast<double>(tf.sum));
  for (int i = 1; i <= n; ++i) {
    for (int j = 1; j <= kPasswordLength / n; ++j) {
      int t = n - i - j + 2;
      while (t < 1) t += n;
      AppendDrawn(tf, t, rng);
    }
  }
  for (int k = 1; k <= kPasswordLength % n; ++k) AppendFilled(tf, rng);
  return tf.out;
}

std::string ClassicTransform(std::string_view password) {
  // A fresh generator: otherwise a double-byte password, whose draws step from the state the
  // seed leaves, would give a different text on every login.
  ClassicRandom rng;
  return TransformPassword(strings::Trim(password), rng);
}

}  // namespace ravochat::text

namespace ravochat {

std::string lumochat::PassChar(double& x) { return text::PasswordCharacter(x); }

std::string lumochat::Trpass(std::string& preString) {
  preString = strings::Trim(preString);
  return text::ClassicTransform(preString);
}

}  // namespace ravochat
