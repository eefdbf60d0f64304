#include "state/restraints.h"

#include <algorithm>
#include <string>

namespace ravochat::state {
namespace {

constexpr std::size_t kSweepEvery = 4096;
constexpr std::int64_t kIdleWindowSeconds = 3600;
constexpr std::size_t kMaxSentAway = 10000;

}  // namespace

std::size_t Restraints::Note(const std::string& key, Date now, std::int64_t seconds) {
  if (recorder_)
    recorder_(Change::kNote, {key, std::to_string(now.seconds), std::to_string(seconds)});
  if (++notes_since_sweep_ >= kSweepEvery) DropIdle(now);
  Window& window = windows_[key];
  // A window holds at most a limit's few events: dropping from the front is cheap.
  std::erase_if(window.events, [&](Date event) { return now.seconds - event.seconds >= seconds; });
  if (window.events.empty()) window.strikes = 0;
  window.events.push_back(now);
  return window.events.size();
}

std::size_t Restraints::Count(const std::string& key, Date now, std::int64_t seconds) const {
  const auto window = windows_.find(key);
  if (window == windows_.end()) return 0;
  return static_cast<std::size_t>(
      std::count_if(window->second.events.begin(), window->second.events.end(),
                    [&](Date event) { return now.seconds - event.seconds < seconds; }));
}

int Restraints::Strike(const std::string& key) {
  if (recorder_) recorder_(Change::kStrike, {key});
  return ++windows_[key].strikes;
}

void Restraints::Forget(const std::string& key) {
  if (recorder_) recorder_(Change::kForget, {key});
  windows_.erase(key);
}

void Restraints::SendAway(const std::string& token) {
  if (recorder_) recorder_(Change::kSendAway, {token});
  // A visitor sent away who never polls again leaves his token behind; keep them bounded.
  if (sent_away_.size() >= kMaxSentAway) sent_away_.clear();
  if (!token.empty()) sent_away_.insert(token);
}

bool Restraints::TakeSentAway(const std::string& token) {
  if (sent_away_.erase(token) == 0) return false;
  if (recorder_) recorder_(Change::kTakeSentAway, {token});
  return true;
}

void Restraints::DropIdle(Date now) {
  notes_since_sweep_ = 0;
  std::erase_if(windows_, [now](const auto& entry) {
    return entry.second.events.empty() ||
           now.seconds - entry.second.events.back().seconds > kIdleWindowSeconds;
  });
}

}  // namespace ravochat::state
