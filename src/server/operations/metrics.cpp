// Counting and the Prometheus text exposition format (version 0.0.4).
#include "operations/metrics.h"

#include <cstdio>

namespace ravochat::server {
namespace {

void Family(std::string& out, std::string_view name, std::string_view type, std::string_view help) {
  out.append("# HELP ").append(name).append(" ").append(help).append("\n");
  out.append("# TYPE ").append(name).append(" ").append(type).append("\n");
}

void Sample(std::string& out, std::string_view name, std::string_view labels,
            const std::string& value) {
  out.append(name);
  if (!labels.empty()) out.append("{").append(labels).append("}");
  out.append(" ").append(value).append("\n");
}

std::string Seconds(std::uint64_t micros) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6f", static_cast<double>(micros) / 1e6);
  return text;
}

}  // namespace

std::string LabelValue(std::string_view value) {
  std::string out;
  for (char c : value) {
    if (c == '\\' || c == '"') out.push_back('\\');
    if (c == '\n') {
      out.append("\\n");
    } else {
      out.push_back(c);
    }
  }
  return out;
}

Metrics::Metrics(const std::vector<std::string_view>& pages) {
  for (std::string_view page : pages) {
    pages_.push_back(std::make_unique<PageCounters>());
    pages_.back()->name = page;
  }
  pages_.push_back(std::make_unique<PageCounters>());
  pages_.back()->name = "other";
}

Metrics::PageCounters& Metrics::Find(std::string_view page) {
  for (auto& counters : pages_) {
    if (counters->name == page) return *counters;
  }
  return *pages_.back();
}

void Metrics::Histogram::Count(std::chrono::nanoseconds took) {
  const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(took).count();
  std::size_t bucket = 0;
  while (bucket < kBuckets.size() && micros > kBuckets[bucket]) ++bucket;
  by_bucket[bucket].fetch_add(1, std::memory_order_relaxed);
  this->micros.fetch_add(static_cast<std::uint64_t>(micros), std::memory_order_relaxed);
}

void Metrics::Histogram::Render(std::string& out, std::string_view name,
                                const std::string& labels) const {
  std::uint64_t count = 0;
  std::string buckets;
  for (std::size_t b = 0; b <= kBuckets.size(); ++b) {
    count += by_bucket[b].load(std::memory_order_relaxed);
    const std::string le = b < kBuckets.size() ? Seconds(kBuckets[b]) : "+Inf";
    Sample(buckets, std::string(name) + "_bucket",
           labels + (labels.empty() ? "" : ",") + "le=\"" + le + "\"", std::to_string(count));
  }
  if (count == 0) return;
  out += buckets;
  Sample(out, std::string(name) + "_sum", labels, Seconds(micros.load(std::memory_order_relaxed)));
  Sample(out, std::string(name) + "_count", labels, std::to_string(count));
}

void Metrics::CountRequest(std::string_view page, int status, std::chrono::nanoseconds took) {
  PageCounters& counters = Find(page);
  if (status >= kFirstStatus && status < kFirstStatus + kStatuses) {
    counters.by_status[status - kFirstStatus].fetch_add(1, std::memory_order_relaxed);
  }
  counters.latency.Count(took);
}

void Metrics::CountLogin(std::string_view refusal_reason) {
  std::lock_guard lock(logins_mutex_);
  if (refusal_reason.empty()) {
    ++logins_admitted_;
    return;
  }
  auto found = logins_refused_.find(refusal_reason);
  if (found == logins_refused_.end()) {
    found = logins_refused_.emplace(std::string(refusal_reason), 0).first;
  }
  ++found->second;
}

void Metrics::RenderRequests(std::string& out) const {
  Family(out, "ravochat_http_requests_total", "counter", "Requests answered, by page and status.");
  for (const auto& page : pages_) {
    for (int i = 0; i < kStatuses; ++i) {
      const std::uint64_t n = page->by_status[i].load(std::memory_order_relaxed);
      if (n == 0) continue;
      Sample(out, "ravochat_http_requests_total",
             "page=\"" + LabelValue(page->name) + "\",code=\"" + std::to_string(kFirstStatus + i) +
                 "\"",
             std::to_string(n));
    }
  }
}

void Metrics::RenderLatency(std::string& out) const {
  constexpr std::string_view kName = "ravochat_http_request_duration_seconds";
  Family(out, kName, "histogram", "Time from a complete request to its answer, by page.");
  for (const auto& page : pages_) {
    page->latency.Render(out, kName, "page=\"" + LabelValue(page->name) + "\"");
  }
}

void Metrics::RenderPushes(std::string& out, std::size_t channels_open) const {
  Family(out, "ravochat_channels_open", "gauge", "Push channels of chat windows open.");
  Sample(out, "ravochat_channels_open", "", std::to_string(channels_open));
  constexpr std::string_view kName = "ravochat_push_latency_seconds";
  Family(out, kName, "histogram",
         "Time from the page that stored lines to their write on a push channel.");
  pushes_.Render(out, kName, "");
  std::uint64_t pushed = 0;
  for (const auto& bucket : pushes_.by_bucket) pushed += bucket.load(std::memory_order_relaxed);
  Family(out, "ravochat_lines_pushed_total", "counter", "Writes of new lines to push channels.");
  Sample(out, "ravochat_lines_pushed_total", "", std::to_string(pushed));
}

void Metrics::RenderLogins(std::string& out) const {
  std::lock_guard lock(logins_mutex_);
  Family(out, "ravochat_logins_admitted_total", "counter", "Logins admitted into a chat.");
  Sample(out, "ravochat_logins_admitted_total", "", std::to_string(logins_admitted_));
  Family(out, "ravochat_logins_refused_total", "counter", "Logins refused, by reason.");
  for (const auto& [reason, n] : logins_refused_) {
    Sample(out, "ravochat_logins_refused_total", "reason=\"" + LabelValue(reason) + "\"",
           std::to_string(n));
  }
}

std::string Metrics::Render(const std::vector<ChatGauges>& chats, unsigned connections_open,
                            std::size_t channels_open) const {
  std::string out;
  Family(out, "ravochat_visitors_online", "gauge", "Visitors in the user list, by chat.");
  for (const ChatGauges& chat : chats) {
    Sample(out, "ravochat_visitors_online", "chat=\"" + LabelValue(chat.chat) + "\"",
           std::to_string(chat.visitors_online));
  }
  Family(out, "ravochat_newest_message_number", "gauge", "Number of the newest message, by chat.");
  for (const ChatGauges& chat : chats) {
    Sample(out, "ravochat_newest_message_number", "chat=\"" + LabelValue(chat.chat) + "\"",
           std::to_string(chat.newest_message));
  }
  if (!chats.empty() && chats.front().lock_held_seconds) {
    Family(out, "ravochat_shared_lock_held_seconds_total", "counter",
           "Time this server held the chat's lock in the shared state, by chat.");
    for (const ChatGauges& chat : chats) {
      Sample(out, "ravochat_shared_lock_held_seconds_total",
             "chat=\"" + LabelValue(chat.chat) + "\"", std::to_string(*chat.lock_held_seconds));
    }
  }
  RenderRequests(out);
  RenderLatency(out);
  Family(out, "ravochat_polls_total", "counter", "Polls (refresh.asp) answered.");
  Sample(out, "ravochat_polls_total", "", std::to_string(polls_.load()));
  Family(out, "ravochat_lines_posted_total", "counter", "Lines posted (say.asp) answered.");
  Sample(out, "ravochat_lines_posted_total", "", std::to_string(lines_posted_.load()));
  RenderLogins(out);
  Family(out, "ravochat_database_errors_total", "counter", "Pages that failed in the database.");
  Sample(out, "ravochat_database_errors_total", "", std::to_string(database_errors_.load()));
  Family(out, "ravochat_http_connections_open", "gauge", "HTTP connections open.");
  Sample(out, "ravochat_http_connections_open", "", std::to_string(connections_open));
  RenderPushes(out, channels_open);
  return out;
}

}  // namespace ravochat::server
