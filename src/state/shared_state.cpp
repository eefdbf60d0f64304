// Joining a shared chat and the leases of the work one process does for all.
#include "ravochat/shared_state.h"

#include <thread>

#include "ravochat/error.h"
#include "ravochat/random_token.h"
#include "state/redis_application.h"
#include "state/redis_link.h"
#include "state/shared_key.h"

namespace ravochat {
namespace {

using std::chrono::milliseconds;

// How long the first process may take to load a chat before another may try.
constexpr milliseconds kLoadLease(60000);

}  // namespace

SharedState::SharedState(std::string address, const std::vector<std::string>& prefixes)
    : pool_(std::make_shared<state::RedisPool>(address)),
      application_(std::make_unique<state::RedisApplication>(address, prefixes)) {}

SharedState::~SharedState() = default;

Application& SharedState::application() { return *application_; }

void SharedState::Join(std::string_view prefix, const std::function<void()>& load) {
  WaitUntilLoaded(prefix, load);
  // The copy of this process is read now, so that values read without the chat's lock (the
  // configuration) are there from the first request on.
  state::RedisChatState& chat = application_->ChatOf(prefix);
  state::MutexLock lock(chat.mutex());
}

void SharedState::WaitUntilLoaded(std::string_view prefix, const std::function<void()>& load) {
  const std::string ready = state::SharedKey(prefix, "ready");
  const std::string loading = state::SharedKey(prefix, "loading");
  const std::string token = RandomToken();
  const auto deadline = std::chrono::steady_clock::now() + 2 * kLoadLease;
  while (true) {
    {
      auto link = pool_->Take();
      if (link->Run({"EXISTS", ready}).integer == 1) return;
      const state::RedisReply claimed =
          link->Run({"SET", loading, token, "NX", "PX", std::to_string(kLoadLease.count())});
      if (claimed.kind != state::RedisReply::Kind::kNil) {
        try {
          load();
          ThrowStoreFailure();
        } catch (...) {
          link->Run({"DEL", loading});
          throw;
        }
        link->Run(std::vector<state::RedisCommand>{{"SET", ready, "1"}, {"DEL", loading}});
        return;
      }
    }
    if (std::chrono::steady_clock::now() > deadline) {
      throw StateError("another process has been loading chat '" + std::string(prefix) +
                       "' for too long");
    }
    std::this_thread::sleep_for(milliseconds(100));
  }
}

std::chrono::nanoseconds SharedState::LockHeld(std::string_view prefix) const {
  return application_->ChatOf(prefix).LockHeld();
}

std::unique_ptr<ChangeWatch> SharedState::Watch(std::string_view prefix,
                                                std::function<void()> changed) {
  return application_->ChatOf(prefix).WatchFollowed(std::move(changed));
}

bool SharedState::TakeLease(std::string_view prefix, std::string_view name,
                            std::chrono::milliseconds length) {
  auto link = pool_->Take();
  const state::RedisReply reply =
      link->Run({"SET", state::SharedKey(prefix, "lease:" + std::string(name)), RandomToken(), "NX",
                 "PX", std::to_string(length.count())});
  return reply.kind != state::RedisReply::Kind::kNil;
}

}  // namespace ravochat
