// What the load clients share: a TCP connection to a port on 127.0.0.1, sending a whole
// request on it, and reading the session cookies that a login run wrote, one a line.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <cstdint>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

// A connected socket with Nagle's delay off. Throws std::runtime_error.
inline int ConnectLoopback(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<std::uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    throw std::runtime_error("cannot connect to port " + std::to_string(port));
  }
  int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return fd;
}

// Throws std::runtime_error when the server closed the connection.
inline void SendAll(int fd, const std::string& data) {
  for (std::size_t sent = 0; sent < data.size();) {
    const ssize_t n = send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) throw std::runtime_error("the server closed the connection");
    sent += static_cast<std::size_t>(n);
  }
}

// Throws std::runtime_error for a file with no cookie.
inline std::vector<std::string> ReadCookies(const std::string& path) {
  std::vector<std::string> cookies;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) cookies.push_back(line);
  if (cookies.empty()) throw std::runtime_error("no cookies in " + path);
  return cookies;
}
