// The channels and their heartbeat. A channel answers every wake as a poll would: the same
// operation (lumochat::Poll) checks the visitor, selects his rows and marks them received,
// so the lists read as if the window had polled. What it writes is an event stream (UTF-8):
// one event per change, "id:" the newest message number (a reconnect names it back in
// Last-Event-ID), "data:" the script refresh.asp's page would run; "event: end" carries the
// redirect of a visitor who may poll no more, and the stream ends after it.
#include "channels.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "chat_server.h"
#include "ravochat/lumochat.h"
#include "ravochat/monitoring.h"
#include "ravochat/shared_state.h"

namespace ravochat::server {
namespace {

// Appends one event: its type (none for a message), its id (none: keeps the last) and the
// lines of `data`.
void AppendEvent(std::string& out, std::string_view type, std::string_view id,
                 std::string_view data) {
  if (!type.empty()) out.append("event: ").append(type).append("\n");
  if (!id.empty()) out.append("id: ").append(id).append("\n");
  std::size_t start = 0;
  for (std::size_t end; (end = data.find('\n', start)) != std::string_view::npos; start = end + 1) {
    out.append("data: ").append(data.substr(start, end - start)).append("\n");
  }
  out.append("data: ").append(data.substr(start)).append("\n\n");
}

std::int64_t SteadyNanos() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

class Channel : public HttpStream {
 public:
  Channel(Channels& hub, Chat& chat, const Channels::Mark& mark, std::string session_id,
          Value sayid)
      : hub_(hub),
        chat_(chat),
        mark_(mark),
        session_id_(std::move(session_id)),
        sayid_(std::move(sayid)) {}

  bool Pull(std::string& out) override;
  void Gone() override { hub_.Forget(this); }

  const Chat& chat() const { return chat_; }
  // False when none of `lines` went to the room the visitor was in at the last poll.
  bool MaySee(const NewLines& lines) const {
    const std::int32_t room = room_.load(std::memory_order_relaxed);
    return lines.every_room || room == kRoomUnknown ||
           std::find(lines.rooms.begin(), lines.rooms.end(), room) != lines.rooms.end();
  }
  // The next wake writes a comment even when nothing changed, to keep proxies from closing.
  void DueBeat() { beat_due_.store(true, std::memory_order_relaxed); }

 private:
  // Pull, for a Pull that must not throw.
  bool Write(std::string& out);
  // The poll of the visitor; `beat`: his session is looked up again first.
  PollResult PollNow(bool beat);

  Channels& hub_;
  Chat& chat_;
  const Channels::Mark& mark_;
  const std::string session_id_;
  // The visitor's session as last looked up. A line's wake reuses it; the heartbeat looks it
  // up again, which also keeps it from expiring while the channel is open. A visitor who
  // left or logged in elsewhere is told by his record, which every poll reads anew.
  std::shared_ptr<Session> session_;
  // The rows after this number are new for the window; the newest and the count it holds.
  Value sayid_;
  std::string newest_;
  std::size_t online_ = 0;
  bool started_ = false;
  // The visitor's room at the last poll; a room change posts a line to the room he left.
  static constexpr std::int32_t kRoomUnknown = std::numeric_limits<std::int32_t>::min();
  std::atomic<std::int32_t> room_{kRoomUnknown};
  std::atomic<bool> beat_due_{false};
};

bool Channel::Pull(std::string& out) {
  try {
    return Write(out);
  } catch (const std::exception& e) {
    if (hub_.services_.log) {
      hub_.services_.log(EscapeLogText(std::string("error on a channel: ") + e.what()));
    }
    return false;
  }
}

PollResult Channel::PollNow(bool beat) {
  if (beat || !session_) session_ = chat_.sessions->Find(session_id_);
  if (!session_) session_ = std::make_shared<MemorySession>();
  lumochat component(hub_.services_.clock);
  component.ConstStr = chat_.prefix;
  PollResult result = component.Poll(hub_.services_.app, *session_, sayid_);
  ThrowStoreFailure();
  room_.store(component.room_id, std::memory_order_relaxed);
  return result;
}

bool Channel::Write(std::string& out) {
  const bool beat = beat_due_.exchange(false, std::memory_order_relaxed);
  const PollResult result = PollNow(beat);
  if (result.outcome != PollResult::Outcome::kRows) {
    AppendEvent(out, "end", "", PollScript(result));
    return false;
  }
  const bool rows = result.rows != "''";
  if (started_ && !rows && result.newest == newest_ && result.online == online_) {
    if (beat) out.append(":\n\n");
    return true;
  }
  // A browser that loses the stream tries again after this many milliseconds.
  if (!started_) out.append("retry: 2000\n");
  // The first event of a channel brings what was said before it opened.
  if (rows && started_) {
    hub_.services_.metrics.CountPush(
        std::chrono::nanoseconds(SteadyNanos() - mark_.noticed.load(std::memory_order_relaxed)));
  }
  started_ = true;
  newest_ = result.newest;
  online_ = result.online;
  sayid_ = Value(newest_);
  AppendEvent(out, "", newest_, PollScript(result));
  return true;
}

Channels::Channels(Services& services, std::size_t limit, std::chrono::milliseconds heartbeat)
    : services_(services), limit_(limit), heartbeat_(heartbeat), beat_([this] { RunBeats(); }) {}

Channels::~Channels() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  stop_.notify_all();
  beat_.join();
  CloseAll();
}

std::shared_ptr<HttpStream> Channels::Open(Chat& chat, std::string session_id, Value sayid) {
  std::lock_guard lock(mutex_);
  if (stopping_) return nullptr;
  if (open_.size() >= limit_) {
    if (!limit_logged_ && services_.log) {
      services_.log("ravochat-server: " + std::to_string(limit_) +
                    " channels open, the limit: further windows poll");
    }
    limit_logged_ = true;
    return nullptr;
  }
  auto channel = std::make_shared<Channel>(*this, chat, marks_[&chat], std::move(session_id),
                                           std::move(sayid));
  open_.emplace(channel.get(), channel);
  return channel;
}

void Channels::Forget(Channel* channel) {
  std::lock_guard lock(mutex_);
  open_.erase(channel);
  if (open_.size() < limit_) limit_logged_ = false;
}

void Channels::NoticeLines(Chat& chat) {
  std::int64_t after = 0;
  {
    std::lock_guard lock(mutex_);
    // No window to wake: the chat is not read at all. A channel opened later polls at once,
    // and the next notice wakes it for every line since the last one noticed.
    if (open_.empty()) return;
    after = marks_[&chat].newest;
  }
  const NewLines lines = ReadNewLines(services_.app, chat.prefix, after);
  std::vector<std::shared_ptr<Channel>> woken;
  {
    std::lock_guard lock(mutex_);
    Mark& mark = marks_[&chat];
    if (lines.newest <= mark.newest) return;  // no line, or another page noticed them
    mark.newest = lines.newest;
    mark.noticed.store(SteadyNanos(), std::memory_order_relaxed);
    for (const auto& [raw, channel] : open_) {
      if (&channel->chat() == &chat && channel->MaySee(lines)) woken.push_back(channel);
    }
  }
  // Woken outside the lock: waking calls into the HTTP library, which calls Forget.
  for (const auto& channel : woken) channel->Wake();
}

std::vector<std::shared_ptr<Channel>> Channels::Snapshot() const {
  std::vector<std::shared_ptr<Channel>> all;
  std::lock_guard lock(mutex_);
  all.reserve(open_.size());
  for (const auto& [raw, channel] : open_) all.push_back(channel);
  return all;
}

void Channels::CloseAll() {
  for (const auto& channel : Snapshot()) channel->Close();
}

void Channels::Beat() {
  for (const auto& channel : Snapshot()) {
    channel->DueBeat();
    channel->Probe();
  }
}

std::size_t Channels::open() const {
  std::lock_guard lock(mutex_);
  return open_.size();
}

void Channels::RunBeats() {
  std::unique_lock lock(mutex_);
  while (!stop_.wait_for(lock, heartbeat_, [this] { return stopping_; })) {
    lock.unlock();
    Beat();
    lock.lock();
  }
}

}  // namespace ravochat::server
