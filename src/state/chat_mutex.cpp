#include "state/chat_mutex.h"

#include "ravochat/shared_state.h"

namespace ravochat {

std::exception_ptr& state::UnstoredChanges() {
  thread_local std::exception_ptr failure;
  return failure;
}

std::exception_ptr TakeStoreFailure() { return std::exchange(state::UnstoredChanges(), nullptr); }

}  // namespace ravochat
