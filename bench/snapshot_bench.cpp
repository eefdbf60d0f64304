// What a restart costs: saving the state snapshot of a chat with 1,000 to 100,000 visitors
// online, each with his session, and taking it back, on a real database file. The time is
// what the stop and the start add to the moment the chat does not answer.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "core/app_keys.h"
#include "core/convert.h"
#include "ravochat/clock.h"
#include "ravochat/database.h"
#include "ravochat/lumochat.h"
#include "ravochat/snapshot.h"

namespace ravochat {
namespace {

struct SavedChat {
  explicit SavedChat(int visitors)
      : dir(std::filesystem::temp_directory_path() /
            ("ravochat-snapshot-bench-" + std::to_string(getpid()))),
        connstr((dir / "chat.db").string()),
        clock(convert::FromCivil({2026, 12, 6, 12, 0, 0})) {
    std::filesystem::create_directories(dir);
    std::filesystem::remove(connstr);
    db::CreateDatabase(connstr);
    app.Set(app_key::kConnStr, connstr);
    lumochat(clock).InitGlobal(app);
    std::string users;
    for (int i = 0; i < visitors; ++i) {
      const std::string name = "u" + std::to_string(i);
      users += "<$" + name + "$>" + name +
               "$>127.0.0.1$>0$>1$>1$>2026-12-06 12:00:00$>1010$>0$>1$>0$>2026-12-06 12:00:00$>"
               "2026-12-06 12:00:00$>$>$>$><$" +
               name + "$>";
      ValueMap values;
      values["myname"] = Value(name);
      values["mytemp"] = Value(name);
      values["formtoken"] = Value("0123456789abcdef0123456789abcdef");
      snapshot.sessions.push_back(
          {"", "0123456789abcdef" + std::to_string(i), clock.Now(), values});
    }
    app.Set(app_key::kUserList, users);
  }
  ~SavedChat() {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }

  std::filesystem::path dir;
  std::string connstr;
  ManualClock clock;
  MemoryApplication app;
  Snapshot snapshot;
};

void BM_SaveAndTakeSnapshot(benchmark::State& state) {
  SavedChat chat(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    chat.snapshot.chats[""] = CaptureChat(chat.app, "");
    SaveSnapshot(chat.connstr, chat.clock, chat.snapshot);
    std::optional<Snapshot> taken = TakeSnapshot(chat.connstr, chat.clock, 180);
    RestoreChat(chat.app, "", taken->chats.at(""), chat.clock);
    benchmark::DoNotOptimize(taken);
  }
}
BENCHMARK(BM_SaveAndTakeSnapshot)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ravochat
