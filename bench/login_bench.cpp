// The login of a returning user with 100 to 10,000 visitors online: the admission checks,
// the statements on his row and notices, and the entry that replaces his record at the
// end of the user list. Runs on a real database file made from the schema and defaults.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include <unistd.h>

#include "core/app_keys.h"
#include "core/convert.h"
#include "ravochat/clock.h"
#include "ravochat/database.h"
#include "ravochat/host.h"
#include "ravochat/lumochat.h"

namespace ravochat {
namespace {

std::string OnlineRecord(const std::string& name) {
  return "<$" + name + "$>" + name +
         "$>127.0.0.1$>0$>1$>1$>2026-12-06 12:00:00$>1010$>0$>1$>0$>2026-12-06 12:00:00$>"
         "2026-12-06 12:00:00$>$>$>$><$" +
         name + "$>";
}

struct LoginChat {
  explicit LoginChat(int visitors)
      : dir(std::filesystem::temp_directory_path() /
            ("ravochat-login-bench-" + std::to_string(getpid()))),
        clock(convert::FromCivil({2026, 12, 6, 12, 0, 0})) {
    std::filesystem::create_directories(dir);
    const std::string connstr = (dir / "chat.db").string();
    std::filesystem::remove(connstr);
    db::CreateDatabase(connstr);
    app.Set(app_key::kConnStr, connstr);
    lumochat(clock).InitGlobal(app);
    app.Set(app_key::kMaxPeople, "30000");
    std::string users;
    for (int i = 0; i < visitors; ++i) users += OnlineRecord("u" + std::to_string(i));
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

  std::string Login() {
    MemorySession session;
    return lumochat(clock).LoginCheck(app, session, request);
  }

  std::filesystem::path dir;
  ManualClock clock;
  MemoryApplication app;
  MemoryRequest request;
};

void BM_ReturningUserLogin(benchmark::State& state) {
  LoginChat chat(static_cast<int>(state.range(0)));
  if (chat.Login() != "") state.SkipWithError("the first login was refused");
  for (auto _ : state) {
    std::string result = chat.Login();
    benchmark::DoNotOptimize(result);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReturningUserLogin)->Arg(100)->Arg(1000)->Arg(10000);

}  // namespace
}  // namespace ravochat
