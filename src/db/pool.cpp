// Handle pools by connection string.
#include "db/pool.h"

#include <map>
#include <string_view>
#include <utility>

#include "ravochat/error.h"

namespace ravochat::db {
namespace {

constexpr std::string_view kScheme = "sqlite:";

struct Registry {
  std::mutex mutex;
  std::map<std::string, std::shared_ptr<Pool>, std::less<>> pools;
};

Registry& TheRegistry() {
  static Registry* registry = new Registry();  // lives to the end of the process
  return *registry;
}

}  // namespace

std::string PathOf(const std::string& connstr) {
  std::string_view path = connstr;
  if (path.substr(0, kScheme.size()) == kScheme) path.remove_prefix(kScheme.size());
  if (path.empty()) throw DatabaseError("connection string \"" + connstr + "\" names no file");
  return std::string(path);
}

std::unique_ptr<Handle> Pool::Take() {
  {
    std::lock_guard lock(mutex_);
    if (!idle_.empty()) {
      std::unique_ptr<Handle> handle = std::move(idle_.back());
      idle_.pop_back();
      return handle;
    }
  }
  return std::make_unique<Handle>(path_, false);
}

void Pool::Give(std::unique_ptr<Handle> handle) {
  std::unique_lock lock(mutex_);
  if (dropped_ || idle_.size() >= kMaxIdle) {
    lock.unlock();
    handle.reset();
    return;
  }
  idle_.push_back(std::move(handle));
}

void Pool::Drop() {
  std::vector<std::unique_ptr<Handle>> closing;
  {
    std::lock_guard lock(mutex_);
    dropped_ = true;
    closing.swap(idle_);
  }
}

std::shared_ptr<Pool> PoolFor(const std::string& connstr) {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.mutex);
  auto it = registry.pools.find(connstr);
  if (it == registry.pools.end()) {
    it = registry.pools.emplace(connstr, std::make_shared<Pool>(PathOf(connstr))).first;
  }
  return it->second;
}

void DropPool(const std::string& connstr) {
  std::shared_ptr<Pool> pool;
  {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    auto it = registry.pools.find(connstr);
    if (it == registry.pools.end()) return;
    pool = std::move(it->second);
    registry.pools.erase(it);
  }
  pool->Drop();
}

}  // namespace ravochat::db
