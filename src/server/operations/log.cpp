// Standard-error log lines, written by a writer thread from a bounded queue. At exit the
// writer finishes the lines already queued.
#include "operations/log.h"

#include <unistd.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace ravochat::server {

void WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = ::write(fd, text.data(), text.size());
    if (written <= 0) return;
    text.remove_prefix(static_cast<std::size_t>(written));
  }
}

namespace {

class Writer {
 public:
  Writer() : thread_([this] { Run(); }) {}
  ~Writer() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
  }

  void Push(std::string line) {
    {
      std::lock_guard lock(mutex_);
      if (queue_.size() >= kCapacity) {
        ++dropped_;
        return;
      }
      queue_.push_back(std::move(line));
    }
    wake_.notify_one();
  }

 private:
  static constexpr std::size_t kCapacity = 10000;

  void Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
      wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
      if (queue_.empty()) return;
      std::string text;
      if (dropped_ > 0) text = std::to_string(dropped_) + " log lines dropped\n";
      dropped_ = 0;
      while (!queue_.empty()) {
        text += queue_.front();
        queue_.pop_front();
      }
      lock.unlock();
      WriteAll(STDERR_FILENO, text);
      lock.lock();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::string> queue_;
  std::size_t dropped_ = 0;
  bool stopping_ = false;
  std::thread thread_;  // last: starts after the members it uses
};

}  // namespace

std::string EscapeLogText(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\\') {
      out += "\\\\";
    } else if (byte < 0x20 || byte == 0x7f) {
      out.append("\\x").append(1, kHex[byte >> 4]).append(1, kHex[byte & 15]);
    } else {
      out += c;
    }
  }
  return out;
}

void LogLine(std::string_view line) {
  static Writer writer;
  writer.Push(std::string(line) + '\n');
}

}  // namespace ravochat::server
