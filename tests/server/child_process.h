// A server program run by a test in a child process: started on a loopback port, waited for
// until it answers there, and stopped with the object, or killed with the test process.
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace ravochat::testing {

// A free loopback port, as the kernel picks one.
std::uint16_t FreePort();

class ChildProcess {
 public:
  // Runs `argv` with its output in `log` and waits up to 10 s for 127.0.0.1:`port` to answer.
  // Throws std::runtime_error naming `log`.
  ChildProcess(const std::vector<std::string>& argv, std::uint16_t port, const std::string& log);
  ~ChildProcess() {
    if (pid_ > 0) Kill(SIGTERM);
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Sends `signal` and waits for the process to end.
  void Kill(int signal);
  std::uint16_t port() const { return port_; }

 private:
  std::uint16_t port_;
  pid_t pid_ = -1;
};

}  // namespace ravochat::testing
