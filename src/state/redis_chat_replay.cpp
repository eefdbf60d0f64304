// The replay of other processes' changes into this process's copy of the shared chat state.
#include "state/redis_chat_state.h"

#include <algorithm>
#include <utility>

#include "core/value_codec.h"

namespace ravochat::state {

void RedisChatState::Replay(const std::string& entry) {
  replaying_ = true;
  try {
    for (JournalChange& change : ReadJournal(entry)) Apply(change);
  } catch (...) {
    replaying_ = false;
    throw;
  }
  replaying_ = false;
}

void RedisChatState::Apply(const JournalChange& change) {
  // The journal's reader made sure every change has the fields of its kind.
  const std::vector<std::string>& f = change.fields;
  switch (change.kind) {
    case Change::kListText:
      MemoryChatState::SetText(ListOf(f[0]), f[2]);
      next_place_ = NumberOf(f[1]) + static_cast<std::int64_t>(Count(ListOf(f[0])));
      break;
    case Change::kField:
      MemoryChatState::SetField(ListOf(f[0]), f[1], static_cast<std::size_t>(NumberOf(f[2])), f[3]);
      break;
    case Change::kAppend:
      next_place_ = std::max(next_place_, NumberOf(f[2]) + 1);
      MemoryChatState::Append(ListOf(f[0]), f[1], Fields(f.begin() + 3, f.end()));
      break;
    case Change::kRemove:
      MemoryChatState::Remove(ListOf(f[0]), f[1]);
      break;
    case Change::kAddOccupant:
      MemoryChatState::AddOccupant(f[0], f[1]);
      break;
    case Change::kRemoveOccupant:
      MemoryChatState::RemoveOccupant(f[0], f[1]);
      break;
    case Change::kValue:
      Keep(f[0], value_codec::DecodeValue(f[1]));
      break;
    case Change::kGridRow: {
      Value grid = GetValue(f[0]);
      PutRow(grid, f[1], f[2]);
      Keep(f[0], std::move(grid));
      break;
    }
    case Change::kNote:
      restraints().Note(f[0], Date{NumberOf(f[1])}, NumberOf(f[2]));
      break;
    case Change::kStrike:
      restraints().Strike(f[0]);
      break;
    case Change::kForget:
      restraints().Forget(f[0]);
      break;
    case Change::kSendAway:
      restraints().SendAway(f[0]);
      break;
    case Change::kTakeSentAway:
      restraints().TakeSentAway(f[0]);
      break;
  }
}

void RedisChatState::Reload() {
  StoredChat stored = layout_.Read(link_);
  Reset();
  next_place_ = stored.next_place;
  for (List list : {List::kUsers, List::kRooms}) {
    StoredChat::StoredList& read = stored.lists[Index(list)];
    if (read.raw) {
      MemoryChatState::SetText(list, *read.raw);
      continue;
    }
    if (!read.set) continue;
    MemoryChatState::SetText(list, "");
    for (auto& [key, fields] : read.records) {
      MemoryChatState::Append(list, std::move(key), std::move(fields));
    }
  }
  {
    std::unique_lock lock(values_mutex_);
    values_.swap(stored.values);
  }
  // The records hold their visitors' own fields as they were when last written.
  TakeInSeen();
}

}  // namespace ravochat::state
