// The server's own counters, written out in the Prometheus text format: requests by page
// and status, latency histograms per page, polls, lines posted, lines pushed and their
// latency, logins admitted and refused by reason, database errors. Counting takes no lock
// except for logins.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ravochat::server {

// A gauge of one chat, labelled with its prefix.
struct ChatGauges {
  std::string chat;
  std::int64_t visitors_online = 0;
  std::int64_t newest_message = 0;
  // With a shared state: the seconds this process has held the chat's lock, in all.
  std::optional<double> lock_held_seconds;
};

class Metrics {
 public:
  // Counts requests of the pages named in `pages`; every other label counts as "other".
  explicit Metrics(const std::vector<std::string_view>& pages);

  // One answered request of `page` with `status`, which took `took`.
  void CountRequest(std::string_view page, int status, std::chrono::nanoseconds took);
  void CountPoll() { polls_.fetch_add(1, std::memory_order_relaxed); }
  void CountLinePosted() { lines_posted_.fetch_add(1, std::memory_order_relaxed); }
  void CountDatabaseError() { database_errors_.fetch_add(1, std::memory_order_relaxed); }
  // Lines written to a push channel `took` after the page that stored them had finished.
  void CountPush(std::chrono::nanoseconds took) { pushes_.Count(took); }
  // A login admitted when `refusal_reason` is empty, else refused for that reason.
  void CountLogin(std::string_view refusal_reason);

  // Every metric in the text format, the chats' gauges and the open connections and push
  // channels included.
  std::string Render(const std::vector<ChatGauges>& chats, unsigned connections_open,
                     std::size_t channels_open) const;

 private:
  static constexpr int kFirstStatus = 100;
  static constexpr int kStatuses = 500;
  // Upper bounds of the latency buckets, in microseconds.
  static constexpr std::array<std::int64_t, 12> kBuckets = {
      100, 250, 500, 1000, 2500, 5000, 10000, 25000, 50000, 100000, 250000, 1000000};

  struct Histogram {
    std::array<std::atomic<std::uint64_t>, kBuckets.size() + 1> by_bucket{};
    std::atomic<std::uint64_t> micros{0};

    void Count(std::chrono::nanoseconds took);
    // Appends the samples of `name` with `labels`; nothing when it counted nothing.
    void Render(std::string& out, std::string_view name, const std::string& labels) const;
  };
  struct PageCounters {
    std::string name;
    std::array<std::atomic<std::uint64_t>, kStatuses> by_status{};
    Histogram latency;
  };

  PageCounters& Find(std::string_view page);
  void RenderRequests(std::string& out) const;
  void RenderLatency(std::string& out) const;
  void RenderPushes(std::string& out, std::size_t channels_open) const;
  void RenderLogins(std::string& out) const;

  std::vector<std::unique_ptr<PageCounters>> pages_;  // the last one is "other"
  std::atomic<std::uint64_t> polls_{0};
  std::atomic<std::uint64_t> lines_posted_{0};
  std::atomic<std::uint64_t> database_errors_{0};
  Histogram pushes_;
  mutable std::mutex logins_mutex_;
  std::uint64_t logins_admitted_ = 0;
  std::map<std::string, std::uint64_t, std::less<>> logins_refused_;
};

// `value` as a Prometheus label value: backslash, double quote and line feed escaped.
std::string LabelValue(std::string_view value);

}  // namespace ravochat::server
