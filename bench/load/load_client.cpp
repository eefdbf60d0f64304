// The load client of bench/load/run.sh and shared.sh, on loopback only and bounded in count
// and time.
//
//   load_client login PORT COUNT CONNECTIONS COOKIES [ROOMS]   logs in visitors v1..vCOUNT
//       over CONNECTIONS keep-alive connections, each from his own address as forwarded by a
//       trusted proxy, into room 1 (or visitor vK into room 1 + (K - 1) % ROOMS); writes one
//       session cookie a line to COOKIES.
//   load_client pace PORT COOKIES RATE SECONDS CONNECTIONS POSTS   polls as the visitors of
//       COOKIES do, RATE polls a second in all, while one of them posts POSTS lines a second;
//       prints the latency percentiles of the polls.
//
// A paced request's latency counts from the moment it was due, so a server that falls behind
// shows it in the percentiles instead of slowing the client down.
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "loopback.h"

namespace {

using Clock = std::chrono::steady_clock;

// One keep-alive HTTP/1.1 connection to 127.0.0.1.
class Connection {
 public:
  explicit Connection(int port) : fd_(ConnectLoopback(port)) {}
  ~Connection() { close(fd_); }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Sends `request` and returns the response's header block; the body is read and dropped.
  std::string Exchange(const std::string& request) {
    SendAll(fd_, request);
    std::size_t end;
    while ((end = buffer_.find("\r\n\r\n")) == std::string::npos) Fill();
    std::string head = buffer_.substr(0, end + 4);
    const std::size_t body = ContentLength(head);
    while (buffer_.size() < end + 4 + body) Fill();
    buffer_.erase(0, end + 4 + body);
    return head;
  }

 private:
  static std::size_t ContentLength(const std::string& head) {
    std::string lower = head;
    std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
    const std::size_t at = lower.find("\r\ncontent-length:");
    return at == std::string::npos ? 0 : std::stoul(head.substr(at + 17));
  }
  void Fill() {
    char chunk[16384];
    const ssize_t n = recv(fd_, chunk, sizeof chunk, 0);
    if (n <= 0) throw std::runtime_error("the server closed the connection");
    buffer_.append(chunk, static_cast<std::size_t>(n));
  }

  int fd_;
  std::string buffer_;
};

std::string Cookie(const std::string& head) {
  const std::size_t at = head.find("Set-Cookie: ");
  if (at == std::string::npos) return "";
  const std::size_t start = at + 12;
  return head.substr(start, head.find_first_of(";\r", start) - start);
}

int Login(int port, int count, int connections, const std::string& out, int rooms) {
  std::vector<std::string> cookies(static_cast<std::size_t>(count));
  std::atomic<int> next{0};
  const Clock::time_point start = Clock::now();
  std::vector<std::thread> threads;
  for (int c = 0; c < connections; ++c) {
    threads.emplace_back([&] {
      Connection conn(port);
      for (int i; (i = next++) < count;) {
        const std::string body = "sUserName=v" + std::to_string(i + 1) + "&sPass=pass" +
                                 std::to_string(i + 1) +
                                 "&bSex=0&room_id=" + std::to_string(1 + i % rooms);
        // Each visitor arrives from an address of his own through the trusted proxy, as
        // visitors of a real chat do.
        const std::string address = "10." + std::to_string(i >> 16) + "." +
                                    std::to_string((i >> 8) & 255) + "." + std::to_string(i & 255);
        cookies[static_cast<std::size_t>(i)] = Cookie(conn.Exchange(
            "POST /login.asp HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Forwarded-For: " + address +
            "\r\nContent-Type: "
            "application/x-www-form-urlencoded\r\nContent-Length: " +
            std::to_string(body.size()) + "\r\n\r\n" + body));
      }
    });
  }
  for (std::thread& t : threads) t.join();
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::ofstream file(out);
  int made = 0;
  for (const std::string& cookie : cookies) {
    if (cookie.empty()) continue;
    file << cookie << '\n';
    ++made;
  }
  std::printf("%d logins in %.1f s: %.0f logins/s\n", made, seconds, made / seconds);
  return made == count ? 0 : 1;
}

int Pace(int port, const std::string& cookie_file, double rate, double seconds, int connections,
         double posts) {
  const std::vector<std::string> cookies = ReadCookies(cookie_file);
  const Clock::time_point start = Clock::now() + std::chrono::milliseconds(100);
  const auto due = [&](double k) {
    return start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(k));
  };
  std::mutex mutex;
  std::vector<double> latencies;
  std::vector<std::thread> threads;
  const long total = static_cast<long>(rate * seconds);
  for (int c = 0; c < connections; ++c) {
    threads.emplace_back([&, c] {
      Connection conn(port);
      std::vector<double> mine;
      // Connection c sends polls c, c + connections, ... of the evenly spaced schedule.
      for (long i = c; i < total; i += connections) {
        const Clock::time_point when = due(static_cast<double>(i) / rate);
        std::this_thread::sleep_until(when);
        conn.Exchange("GET /refresh.asp HTTP/1.1\r\nHost: 127.0.0.1\r\nCookie: " +
                      cookies[static_cast<std::size_t>(i) % cookies.size()] + "\r\n\r\n");
        mine.push_back(std::chrono::duration<double, std::milli>(Clock::now() - when).count());
      }
      std::lock_guard lock(mutex);
      latencies.insert(latencies.end(), mine.begin(), mine.end());
    });
  }
  if (posts > 0) {
    threads.emplace_back([&] {
      Connection conn(port);
      const std::string body = "says=a+line+of+the+load&towho=%B4%F3%BC%D2&sayscolor=000000";
      for (long i = 0; i < static_cast<long>(posts * seconds); ++i) {
        std::this_thread::sleep_until(due(static_cast<double>(i) / posts));
        conn.Exchange("POST /say.asp HTTP/1.1\r\nHost: 127.0.0.1\r\nCookie: " + cookies[0] +
                      "\r\nContent-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
                      std::to_string(body.size()) + "\r\n\r\n" + body);
      }
    });
  }
  for (std::thread& t : threads) t.join();
  std::sort(latencies.begin(), latencies.end());
  const auto at = [&](double q) {
    return latencies[static_cast<std::size_t>(q * static_cast<double>(latencies.size() - 1))];
  };
  std::printf(
      "%zu paced polls at %.0f/s (%.0f lines/s posted): p50 %.2f ms, p99 %.2f ms, "
      "max %.2f ms\n",
      latencies.size(), rate, posts, at(0.5), at(0.99), latencies.back());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  try {
    if ((args.size() == 5 || args.size() == 6) && args[0] == "login") {
      return Login(std::stoi(args[1]), std::stoi(args[2]), std::stoi(args[3]), args[4],
                   args.size() == 6 ? std::stoi(args[5]) : 1);
    }
    if (args.size() == 7 && args[0] == "pace") {
      return Pace(std::stoi(args[1]), args[2], std::stod(args[3]), std::stod(args[4]),
                  std::stoi(args[5]), std::stod(args[6]));
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "load_client: %s\n", e.what());
    return 1;
  }
  std::fprintf(stderr,
               "usage: load_client login PORT COUNT CONNECTIONS COOKIES [ROOMS]\n"
               "       load_client pace PORT COOKIES RATE SECONDS CONNECTIONS POSTS\n");
  return 2;
}
