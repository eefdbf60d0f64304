// Values kept by text key in the order they were appended: a key is found, appended or
// erased without scanning. Erased slots are reclaimed once they outnumber the live ones,
// so every operation costs O(1) amortised.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace ravochat::state {

template <class T>
class OrderedIndex {
 public:
  T* Find(std::string_view key) {
    auto it = index_.find(key);
    return it == index_.end() ? nullptr : &slots_[it->second].value;
  }
  const T* Find(std::string_view key) const {
    auto it = index_.find(key);
    return it == index_.end() ? nullptr : &slots_[it->second].value;
  }

  // Appends `value` under `key`, which must not be present.
  T& Append(std::string key, T value) {
    index_.emplace(key, slots_.size());
    slots_.push_back({std::move(key), std::move(value), true});
    return slots_.back().value;
  }

  // False when `key` is not present.
  bool Erase(std::string_view key) {
    auto it = index_.find(key);
    if (it == index_.end()) return false;
    Slot& slot = slots_[it->second];
    slot = Slot{};
    index_.erase(it);
    if (++dead_ > kMinDead && dead_ > index_.size()) Compact();
    return true;
  }

  void Clear() {
    slots_.clear();
    index_.clear();
    dead_ = 0;
  }

  std::size_t Size() const { return index_.size(); }

  // Calls f(key, value) for every value in order.
  template <class F>
  void ForEach(F&& f) const {
    for (const Slot& slot : slots_) {
      if (slot.live) f(slot.key, slot.value);
    }
  }
  template <class F>
  void ForEach(F&& f) {
    for (Slot& slot : slots_) {
      if (slot.live) f(slot.key, slot.value);
    }
  }

 private:
  static constexpr std::size_t kMinDead = 64;

  struct Slot {
    std::string key;
    T value{};
    bool live = false;
  };
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };

  void Compact() {
    std::vector<Slot> live;
    live.reserve(index_.size());
    for (Slot& slot : slots_) {
      if (!slot.live) continue;
      index_[slot.key] = live.size();
      live.push_back(std::move(slot));
    }
    slots_ = std::move(live);
    dead_ = 0;
  }

  std::vector<Slot> slots_;
  std::unordered_map<std::string, std::size_t, Hash, std::equal_to<>> index_;
  std::size_t dead_ = 0;
};

}  // namespace ravochat::state
