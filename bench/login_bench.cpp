// The login of a returning user and a posted line with 100 to 100,000 visitors online,
// spread over the rooms: the admission checks, the check of his argon2id password (at the
// default cost and at the cheapest), the statements on his row and notices, the entry that
// replaces his record at the end of the user list; the line's checks, the ring and the
// poster's record. Runs on a real database file made from the schema and defaults.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include <unistd.h>

#include "core/app_keys.h"
#include "core/convert.h"
#include "core/records.h"
#include "ravochat/clock.h"
#include "ravochat/database.h"
#include "ravochat/host.h"
#include "ravochat/lumochat.h"

namespace ravochat {
namespace {

constexpr int kRooms = 4;  // the rooms of the default rows

std::string OnlineRecord(const std::string& name, int room) {
  return "<$" + name + "$>" + name + "$>127.0.0.1$>0$>1$>" + std::to_string(room) +
         "$>2026-12-06 12:00:00$>1010$>0$>1$>0$>2026-12-06 12:00:00$>"
         "2026-12-06 12:00:00$>$>$>$><$" +
         name + "$>";
}

// A database file of its own for every chat: connections are pooled by their path, so a file
// made again under a path used before would be read through the old connection.
std::string NewFolderName() {
  static int made = 0;
  return "ravochat-login-bench-" + std::to_string(getpid()) + "-" + std::to_string(++made);
}

struct LoginChat {
  // `ring_rows`: the length of the ring of lines, when not the default one.
  explicit LoginChat(int visitors, int ring_rows = 0)
      : dir(std::filesystem::temp_directory_path() / NewFolderName()),
        clock(convert::FromCivil({2026, 12, 6, 12, 0, 0})) {
    std::filesystem::create_directories(dir);
    const std::string connstr = (dir / "chat.db").string();
    std::filesystem::remove(connstr);
    db::CreateDatabase(connstr);
    app.Set(app_key::kConnStr, connstr);
    lumochat(clock).InitGlobal(app);
    app.Set(app_key::kMaxPeople, "200000");
    app.Set(app_key::kFloodLines, "0");
    app.Set(app_key::kLoginsPerMinute, "0");
    if (ring_rows > 0) {
      // An empty ring of that length, as a chat opened with it starts.
      Value ring = Value::MakeGrid(static_cast<std::size_t>(ring_rows), ring_field::kCount);
      for (int row = 0; row < ring_rows; ++row) {
        ring.MutableAt(static_cast<std::size_t>(row), ring_field::kNumber) = Value(0);
      }
      app.Set(app_key::kSays, std::move(ring));
    }
    std::string users;
    for (int i = 0; i < visitors; ++i) {
      users += OnlineRecord("u" + std::to_string(i), i % kRooms + 1);
    }
    app.Set(app_key::kUserList, users);
    request.SetForm("sUserName", "bench");
    request.SetForm("sPass", "secret");
    request.SetForm("room_id", "1");
    request.SetServerVariable("REMOTE_ADDR", "10.0.0.1");
  }
  ~LoginChat() {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }

  std::string Login() { return lumochat(clock).LoginCheck(app, session, request); }

  std::filesystem::path dir;
  ManualClock clock;
  MemoryApplication app;
  MemoryRequest request;
  MemorySession session;
};

// The stored passwords' cost: the default of a new chat's settings (argon2id of 19 MiB and 2
// passes), or the cheapest, which isolates the chat's own work.
enum Cost { kDefaultCost = 0, kCheapestCost = 1 };

void BM_ReturningUserLogin(benchmark::State& state) {
  LoginChat chat(static_cast<int>(state.range(0)));
  if (state.range(1) == kCheapestCost) {
    chat.app.Set(app_key::kPasswordMemory, "1");
    chat.app.Set(app_key::kPasswordPasses, "1");
  }
  state.SetLabel(state.range(1) == kCheapestCost
                     ? "argon2id 1 MiB, 1 pass (lowered for the benchmark)"
                     : "argon2id 19 MiB, 2 passes (the default)");
  if (chat.Login() != "") state.SkipWithError("the first login was refused");
  for (auto _ : state) {
    std::string result = chat.Login();
    if (!result.empty()) {
      state.SkipWithError(("a login was refused: " + result).c_str());
      break;
    }
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReturningUserLogin)
    ->ArgsProduct({{100, 1000, 10000, 100000}, {kCheapestCost}})
    ->ArgsProduct({{100, 100000}, {kDefaultCost}});

// A line to everybody in the poster's room, with a ring of the second argument's rows (0: the
// default length). Each post names the newest number the poster's window holds, as the window
// does, so the reply carries only his own line.
void BM_Post(benchmark::State& state) {
  LoginChat chat(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  if (chat.Login() != "") state.SkipWithError("the login was refused");
  MemoryRequest line;
  line.SetForm("says", "a line of the chat");
  line.SetForm("towho", "大家");
  for (auto _ : state) {
    std::string page = lumochat(chat.clock).subsay(chat.app, chat.session, line);
    const std::size_t newest = page.rfind("parent.ref(");
    if (newest == std::string::npos) {
      state.SkipWithError("a post was refused");
      break;
    }
    line.SetQuery("id", page.substr(newest + 11, page.find(')', newest) - newest - 11));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Post)
    ->ArgsProduct({{100, 1000, 10000, 100000}, {0}})
    ->ArgsProduct({{10000}, {101, 10000}});

}  // namespace
}  // namespace ravochat
