// The push-channel client of bench/load/channels.sh, on loopback only and bounded in time: one
// thread holds every channel on one epoll set, as a proxy in front of many windows would.
//
//   channel_client fanout PORT COOKIES ROOMS LINES [POST_PORT]   opens a channel for each
//       visitor of COOKIES (the K-th one in room 1 + (K - 1) % ROOMS), then LINES times posts a
//       line as the first visitor (through the server on POST_PORT, by default the same) and
//       times, from the post's answer, its arrival on every channel of his room; prints the
//       percentiles of those times and checks no other room got it.
//   channel_client hold PORT COOKIES SECONDS   opens a channel for each visitor of COOKIES,
//       prints "open" once all have their first event, holds them SECONDS seconds and prints
//       how many are still open.
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "loopback.h"

namespace {

using Clock = std::chrono::steady_clock;

// One window's channel: what it has read and not yet searched.
struct Channel {
  int fd = -1;
  std::string unread;
  bool started = false;  // its first event has come
  bool open = true;
};

class Channels {
 public:
  Channels(int port, const std::vector<std::string>& cookies) : epoll_(epoll_create1(0)) {
    channels_.resize(cookies.size());
    for (std::size_t i = 0; i < cookies.size(); ++i) {
      Channel& c = channels_[i];
      c.fd = ConnectLoopback(port);
      SendAll(c.fd, "GET /channel.asp HTTP/1.1\r\nHost: 127.0.0.1\r\nCookie: " + cookies[i] +
                        "\r\nAccept: text/event-stream\r\n\r\n");
      epoll_event event{};
      event.events = EPOLLIN;
      event.data.u64 = i;
      epoll_ctl(epoll_, EPOLL_CTL_ADD, c.fd, &event);
    }
  }
  ~Channels() {
    for (Channel& c : channels_) close(c.fd);
    close(epoll_);
  }

  std::vector<Channel>& all() { return channels_; }

  // Reads what is ready within `wait_ms` and calls `seen(index, channel)` for each channel
  // that read something.
  template <typename Seen>
  void Poll(int wait_ms, Seen seen) {
    epoll_event events[256];
    const int n = epoll_wait(epoll_, events, 256, wait_ms);
    for (int e = 0; e < n; ++e) {
      const std::size_t i = events[e].data.u64;
      Channel& c = channels_[i];
      char chunk[16384];
      const ssize_t got = recv(c.fd, chunk, sizeof chunk, 0);
      if (got <= 0) {
        c.open = false;
        epoll_ctl(epoll_, EPOLL_CTL_DEL, c.fd, nullptr);
        continue;
      }
      c.unread.append(chunk, static_cast<std::size_t>(got));
      seen(i, c);
    }
  }

  // Waits until every channel has its first event; throws after `seconds`.
  void AwaitStarted(double seconds) {
    std::size_t started = 0;
    const Clock::time_point end = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                     std::chrono::duration<double>(seconds));
    while (started < channels_.size()) {
      if (Clock::now() > end) {
        throw std::runtime_error(std::to_string(started) + " of " +
                                 std::to_string(channels_.size()) + " channels started");
      }
      Poll(100, [&](std::size_t, Channel& c) {
        if (!c.started && c.unread.find("\n\n") != std::string::npos) {
          c.started = true;
          c.unread.clear();
          ++started;
        }
      });
    }
  }

 private:
  int epoll_;
  std::vector<Channel> channels_;
};

// Posts `text` as the visitor of `cookie` on `fd` and returns when its answer has come. Like
// a window, it names the newest number it holds (`newest`, updated from the answer), so the
// answer carries only what is new.
void Post(int fd, const std::string& cookie, const std::string& text, std::string& newest) {
  const std::string body = "says=" + text + "&towho=%B4%F3%BC%D2&sayscolor=000000&id=" + newest;
  SendAll(fd, "POST /say.asp HTTP/1.1\r\nHost: 127.0.0.1\r\nCookie: " + cookie +
                  "\r\nContent-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
                  std::to_string(body.size()) + "\r\n\r\n" + body);
  std::string answer;
  char chunk[16384];
  // The answer's page ends its script; its length is all in one read on loopback mostly.
  while (answer.find("</script>") == std::string::npos) {
    const ssize_t n = recv(fd, chunk, sizeof chunk, 0);
    if (n <= 0) throw std::runtime_error("the server closed the posting connection");
    answer.append(chunk, static_cast<std::size_t>(n));
  }
  const std::size_t ref = answer.rfind("parent.ref(");
  if (ref != std::string::npos) newest = answer.substr(ref + 11, answer.find(')', ref) - ref - 11);
}

double At(std::vector<double>& sorted, double q) {
  return sorted[static_cast<std::size_t>(q * static_cast<double>(sorted.size() - 1))];
}

int Fanout(int port, const std::string& cookie_file, int rooms, int lines, int post_port) {
  const std::vector<std::string> cookies = ReadCookies(cookie_file);
  Channels channels(port, cookies);
  channels.AwaitStarted(120);
  const int poster = ConnectLoopback(post_port);
  std::vector<double> delays;
  std::size_t strays = 0;
  std::string newest = "0";
  for (int k = 0; k < lines; ++k) {
    const std::string text = "fanout" + std::to_string(k) + "x";
    Post(poster, cookies[0], text, newest);
    const Clock::time_point answered = Clock::now();
    std::size_t waiting = 0;
    for (std::size_t i = 0; i < cookies.size(); i += static_cast<std::size_t>(rooms)) ++waiting;
    while (waiting > 0 && Clock::now() - answered < std::chrono::seconds(10)) {
      channels.Poll(100, [&](std::size_t i, Channel& c) {
        if (c.unread.find(text) == std::string::npos) return;
        c.unread.clear();
        if (i % static_cast<std::size_t>(rooms) != 0) {
          ++strays;
          return;
        }
        delays.push_back(
            std::chrono::duration<double, std::milli>(Clock::now() - answered).count());
        --waiting;
      });
    }
    // Between lines, the channels' other events (the count online) are read and dropped.
    channels.Poll(200, [](std::size_t, Channel& c) { c.unread.clear(); });
  }
  close(poster);
  std::sort(delays.begin(), delays.end());
  const std::size_t expected =
      static_cast<std::size_t>(lines) * ((cookies.size() + rooms - 1) / rooms);
  if (delays.empty()) throw std::runtime_error("no channel received a line");
  std::printf(
      "%zu of %zu receipts (%d lines to %zu channels in %d rooms): p50 %.1f ms, p90 %.1f ms, "
      "p99 %.1f ms, max %.1f ms; %zu receipts in other rooms\n",
      delays.size(), expected, lines, cookies.size(), rooms, At(delays, 0.5), At(delays, 0.9),
      At(delays, 0.99), delays.back(), strays);
  return delays.size() == expected && strays == 0 ? 0 : 1;
}

int Hold(int port, const std::string& cookie_file, double seconds) {
  const std::vector<std::string> cookies = ReadCookies(cookie_file);
  Channels channels(port, cookies);
  channels.AwaitStarted(120);
  std::printf("open\n");
  std::fflush(stdout);
  const Clock::time_point end = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                   std::chrono::duration<double>(seconds));
  while (Clock::now() < end) channels.Poll(500, [](std::size_t, Channel& c) { c.unread.clear(); });
  const auto open = std::count_if(channels.all().begin(), channels.all().end(),
                                  [](const Channel& c) { return c.open; });
  std::printf("%ld of %zu channels still open after %.0f s\n", static_cast<long>(open),
              cookies.size(), seconds);
  return static_cast<std::size_t>(open) == cookies.size() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  try {
    if ((args.size() == 5 || args.size() == 6) && args[0] == "fanout") {
      return Fanout(std::stoi(args[1]), args[2], std::stoi(args[3]), std::stoi(args[4]),
                    std::stoi(args.size() == 6 ? args[5] : args[1]));
    }
    if (args.size() == 4 && args[0] == "hold") {
      return Hold(std::stoi(args[1]), args[2], std::stod(args[3]));
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "channel_client: %s\n", e.what());
    return 1;
  }
  std::fprintf(stderr,
               "usage: channel_client fanout PORT COOKIES ROOMS LINES [POST_PORT]\n"
               "       channel_client hold PORT COOKIES SECONDS\n");
  return 2;
}
