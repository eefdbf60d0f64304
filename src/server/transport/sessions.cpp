// The in-memory session store: maps from cookie id to session, each shard guarded by its
// mutex; expiry is checked on every lookup and swept by Expire.
#include "transport/sessions.h"

#include "ravochat/random_token.h"

namespace ravochat::server {

MemorySessionStore::MemorySessionStore(const Clock& clock, std::int64_t idle_seconds)
    : clock_(clock), idle_seconds_(idle_seconds) {}

bool MemorySessionStore::Expired(const Entry& entry, Date now) const {
  return now.seconds - entry.last_used.seconds > idle_seconds_;
}

std::shared_ptr<Session> MemorySessionStore::Find(std::string_view id) {
  const Date now = clock_.Now();
  Shard& shard = ShardOf(id);
  std::lock_guard lock(shard.mutex);
  auto it = shard.sessions.find(id);
  if (it == shard.sessions.end()) return nullptr;
  if (Expired(it->second, now)) {
    shard.sessions.erase(it);
    return nullptr;
  }
  it->second.last_used = now;
  return it->second.session;
}

std::shared_ptr<Session> MemorySessionStore::Create(std::string& id) {
  auto session = std::make_shared<MemorySession>();
  const Date now = clock_.Now();
  while (true) {
    id = RandomToken();
    Shard& shard = ShardOf(id);
    std::lock_guard lock(shard.mutex);
    if (shard.sessions.try_emplace(id, Entry{session, now}).second) return session;
  }
}

void MemorySessionStore::Remove(std::string_view id) {
  Shard& shard = ShardOf(id);
  std::lock_guard lock(shard.mutex);
  if (auto it = shard.sessions.find(id); it != shard.sessions.end()) shard.sessions.erase(it);
}

std::size_t MemorySessionStore::Expire() {
  const Date now = clock_.Now();
  std::size_t expired = 0;
  for (Shard& shard : shards_) {
    std::lock_guard lock(shard.mutex);
    expired +=
        std::erase_if(shard.sessions, [&](const auto& item) { return Expired(item.second, now); });
  }
  return expired;
}

void MemorySessionStore::ForEach(const std::function<void(Session&)>& visit) {
  for (Shard& shard : shards_) {
    std::lock_guard lock(shard.mutex);
    for (auto& [id, entry] : shard.sessions) visit(*entry.session);
  }
}

std::vector<SavedSession> MemorySessionStore::Save(std::string_view chat) {
  const Date now = clock_.Now();
  std::vector<SavedSession> saved;
  for (Shard& shard : shards_) {
    std::lock_guard lock(shard.mutex);
    for (const auto& [id, entry] : shard.sessions) {
      if (Expired(entry, now)) continue;
      saved.push_back({std::string(chat), id, entry.last_used, entry.session->Values()});
    }
  }
  return saved;
}

std::size_t MemorySessionStore::Restore(const std::vector<SavedSession>& saved,
                                        std::string_view chat) {
  std::size_t restored_count = 0;
  for (const SavedSession& session : saved) {
    if (session.chat != chat) continue;
    ++restored_count;
    auto restored = std::make_shared<MemorySession>();
    for (const auto& [name, value] : session.values) restored->Set(name, value);
    Shard& shard = ShardOf(session.id);
    std::lock_guard lock(shard.mutex);
    shard.sessions.insert_or_assign(session.id, Entry{std::move(restored), session.last_used});
  }
  return restored_count;
}

void ForgetInSessions(SessionStore& sessions, const lumochat::Departures& gone) {
  if (gone.empty()) return;
  sessions.ForEach([&](Session& session) { lumochat::ForgetDeparted(session, gone); });
}

}  // namespace ravochat::server
