// Access lines of the server program: none unless asked for with --access-log, one per
// request with it; start-up, stop and error lines go to standard error either way.
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "server/child_process.h"
#include "server/server_fixture.h"

namespace ravochat::testing {
namespace {

// The lines of `path` that begin with `start`.
int LinesStartingWith(const std::string& path, const std::string& start) {
  std::ifstream in(path);
  int count = 0;
  for (std::string line; std::getline(in, line);) count += line.starts_with(start) ? 1 : 0;
  return count;
}

TEST(AccessLines, AreWrittenOnlyWhenAskedFor) {
  constexpr int kPolls = 5;
  const std::vector<std::pair<std::vector<std::string>, int>> cases = {
      {{}, 0}, {{"--access-log", "-"}, kPolls}};
  for (const auto& [option, expected] : cases) {
    TempDatabase db(false, Backend::kSqlite, false);
    const std::string log = ::testing::TempDir() + "access_lines_" + std::to_string(::getpid()) +
                            "_" + std::to_string(expected) + ".log";
    std::filesystem::remove(log);
    const std::uint16_t port = FreePort();
    std::vector<std::string> argv{RAVOCHAT_SERVER_BINARY, "--listen",
                                  "127.0.0.1:" + std::to_string(port), "--db", db.connstr()};
    argv.insert(argv.end(), option.begin(), option.end());
    ChildProcess server(argv, port, log);
    const std::string cookie = CookieLineAt(port, "amy", "secret1");
    HttpClient client(port);
    for (int i = 0; i < kPolls; ++i) client.Get("/refresh.asp", {cookie});
    server.Kill(SIGTERM);
    EXPECT_EQ(LinesStartingWith(log, "GET /refresh.asp 200 "), expected) << log;
    EXPECT_EQ(LinesStartingWith(log, "ravochat-server: stopping"), 1) << log;
  }
}

}  // namespace
}  // namespace ravochat::testing
