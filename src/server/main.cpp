// ravochat-server: serves the chat and its site until SIGINT or SIGTERM (SIGHUP reopens
// the access-log file), then saves the chats' state for its next start; or backs up the
// database with "backup DEST"; or reloads the settings of a shared state with "reload"; or
// moves a chat's data in with "import FOLDER" and "copy --from SOURCE".
#include <sys/resource.h>

#include <termios.h>
#include <unistd.h>

#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <exception>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "chat_server.h"
#include "migration_command.h"
#include "operations/log.h"
#include "operations/log_file.h"
#include "options.h"
#include "ravochat/administration.h"
#include "ravochat/database.h"
#include "ravochat/error.h"
#include "ravochat/shared_state.h"

#ifndef RAVOCHAT_SITE_DIR
#define RAVOCHAT_SITE_DIR "site"
#endif

namespace {

using ravochat::server::ChatServer;

// Every browser keeps connections open: allow as many descriptors as the system lets us.
void RaiseDescriptorLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
  }
}

// Runs the server's idle sweep once a minute until stopped.
class Sweeper {
 public:
  explicit Sweeper(ChatServer& server) : thread_([this, &server] { Run(server); }) {}
  ~Sweeper() {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }

 private:
  void Run(ChatServer& server) {
    std::unique_lock lock(mutex_);
    while (!wake_.wait_for(lock, std::chrono::minutes(1), [this] { return stop_; })) {
      lock.unlock();
      server.Sweep();
      lock.lock();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  std::thread thread_;
};

// Where access-log lines go: the --access-log file, standard error for "-", nowhere without
// the option (a service's journal would otherwise take a line for every poll).
ravochat::server::LogSink AccessLog(const std::string& option, ravochat::server::LogFile* file) {
  if (file != nullptr) return [file](std::string_view line) { file->Write(line); };
  if (option == ravochat::server::kAccessLogToStandardError) return &ravochat::server::LogLine;
  return nullptr;
}

// Waits for SIGINT or SIGTERM; every SIGHUP meanwhile reopens `access_log`.
void WaitForStop(const sigset_t& signals, ravochat::server::LogFile* access_log) {
  int signal = 0;
  while (sigwait(&signals, &signal) == 0 && signal == SIGHUP) {
    if (access_log == nullptr) continue;
    try {
      access_log->Reopen();
    } catch (const std::exception& e) {
      ravochat::server::LogLine(std::string("ravochat-server: ") + e.what());
    }
  }
}

// One line of standard input without its line end; false at its end.
bool ReadLine(std::string& line) {
  if (!std::getline(std::cin, line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

// Keeps a terminal from showing what is typed while it lives.
class HiddenInput {
 public:
  HiddenInput() : active_(tcgetattr(STDIN_FILENO, &saved_) == 0) {
    if (!active_) return;
    termios quiet = saved_;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  }
  ~HiddenInput() {
    if (active_) tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_);
    std::fputs("\n", stderr);
  }

 private:
  termios saved_{};
  bool active_;
};

// --set-admin-password: the new password from standard input, asked twice from a terminal.
int SetAdminPassword(const ravochat::server::Options& options) {
  const bool terminal = isatty(STDIN_FILENO) != 0;
  std::string password, again;
  std::optional<HiddenInput> hidden;
  if (terminal) {
    hidden.emplace();
    std::fputs("New administration password: ", stderr);
  }
  if (!ReadLine(password) || password.empty()) {
    std::fputs("ravochat-server: no password given; nothing changed\n", stderr);
    return 1;
  }
  if (terminal) {
    std::fputs("\nAgain: ", stderr);
    if (!ReadLine(again) || again != password) {
      std::fputs("ravochat-server: the two passwords differ; nothing changed\n", stderr);
      return 1;
    }
  }
  ravochat::db::EnsureDatabase(options.db);
  ravochat::administration::SetOperatorPassword(options.db, password,
                                                ravochat::SystemClock::Instance());
  std::printf("ravochat-server: administration password stored in %s\n", options.db.c_str());
  return 0;
}

// reload: the settings of every chat loaded again into the shared state.
int ReloadSettings(const ravochat::server::Options& options) {
  ravochat::SharedState shared(options.state, options.chats);
  for (const std::string& prefix : options.chats) {
    shared.Join(prefix, [&] {
      throw ravochat::StateError("no server has loaded chat '" + prefix + "' yet");
    });
    ravochat::administration::Console(shared.application(), prefix,
                                      ravochat::SystemClock::Instance())
        .Reload();
    ravochat::ThrowStoreFailure();
  }
  std::printf("ravochat-server: settings reloaded for every server of %s\n", options.state.c_str());
  return 0;
}

int Serve(const ravochat::server::Options& options) {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGHUP);
  // Blocked before any thread starts, so that only sigwait below receives them.
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
  RaiseDescriptorLimit();

  std::unique_ptr<ravochat::server::LogFile> access_log;
  if (!options.access_log.empty() &&
      options.access_log != ravochat::server::kAccessLogToStandardError) {
    access_log = std::make_unique<ravochat::server::LogFile>(options.access_log);
  }
  ChatServer server(options, ravochat::SystemClock::Instance(), &ravochat::server::LogLine,
                    AccessLog(options.access_log, access_log.get()));
  {
    Sweeper sweeper(server);
    std::printf("ravochat-server: serving http://%s:%u/ (database %s, state %s)\n",
                options.host.c_str(), static_cast<unsigned>(server.port()),
                ravochat::db::Redacted(options.db).c_str(),
                options.state.empty() ? "in memory" : options.state.c_str());
    std::fflush(stdout);
    WaitForStop(signals, access_log.get());
  }
  ravochat::server::LogLine("ravochat-server: stopping");
  // The visitors online stay online through the restart that usually follows.
  server.Stop();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const auto options = ravochat::server::ParseOptions(
        std::vector<std::string>(argv + 1, argv + argc), RAVOCHAT_SITE_DIR);
    if (options.help) {
      std::fputs(ravochat::server::UsageText().c_str(), stdout);
      return 0;
    }
    if (options.set_admin_password) return SetAdminPassword(options);
    if (options.reload) return ReloadSettings(options);
    if (!options.import_from.empty()) return ravochat::server::RunImport(options);
    if (options.copy) return ravochat::server::RunCopy(options);
    if (!options.backup_to.empty()) {
      ravochat::db::BackupDatabase(options.db, options.backup_to);
      std::printf("ravochat-server: %s backed up to %s\n", options.db.c_str(),
                  options.backup_to.c_str());
      return 0;
    }
    return Serve(options);
  } catch (const ravochat::server::UsageError& e) {
    std::fprintf(stderr, "ravochat-server: %s\n\n%s", e.what(),
                 ravochat::server::UsageText().c_str());
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "ravochat-server: %s\n", e.what());
    return 1;
  }
}
