// The message of a failure, for tests that compare error texts exactly.
#pragma once

#include <string>

#include "ravochat/error.h"

namespace ravochat::testing {

// The message of the `E` that `action()` throws, or "no error" when it returns. Any other
// exception passes through and fails the test.
template <typename E = Error, typename Action>
std::string ErrorText(Action action) {
  try {
    action();
  } catch (const E& e) {
    return e.what();
  }
  return "no error";
}

}  // namespace ravochat::testing
