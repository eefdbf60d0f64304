// The polling page, the chat's hot path: every visitor polls every 6 seconds. Measures one
// visitor's refresh with 100 to 100,000 visitors online, spread over 1,000 rooms, and a ring
// of 100 or 10,000 rows. Its cost must follow the number of new lines, not the ring nor the
// visitors online.
#include <benchmark/benchmark.h>

#include <string>

#include "core/app_keys.h"
#include "core/convert.h"
#include "core/records.h"
#include "messages/says_ring.h"
#include "ravochat/clock.h"
#include "ravochat/host.h"
#include "ravochat/lumochat.h"

namespace ravochat {
namespace {

constexpr int kRoom = 1;
constexpr int kRooms = 1000;

std::string UserRecord(const std::string& name, int room, const std::string& date,
                       int last_sayid) {
  std::string fields[user_field::kCount] = {name, "127.0.0.1", "0", "1", std::to_string(room),
                                            date, "1010",      "0", "1", std::to_string(last_sayid),
                                            date, date,        "",  "",  ""};
  std::string record = "<$" + name + "$>";
  for (const std::string& field : fields) record += field + "$>";
  return record + "<$" + name + "$>";
}

// A ring of `rows` rows, written round twice: every row holds a line, a third of them
// private between two other visitors, a third in another room.
void FillRing(Application& app, std::size_t rows) {
  Value ring = Value::MakeGrid(rows, ring_field::kCount);
  for (std::size_t row = 0; row < rows; ++row) ring.MutableAt(row, ring_field::kNumber) = 0;
  Value current = 0;
  for (std::size_t n = 0; n < 2 * rows + 3; ++n) {
    int kind = static_cast<int>(n % 3);
    messages::AppendSay(ring, current,
                        {Value("u1"), Value(kind == 1 ? "u2" : "大家"), Value(kind == 1 ? 1 : 0),
                         Value(kind == 2 ? 2 : kRoom),
                         messages::RowText("a line of the chat", "u1", "大家", "0", "000000", "",
                                           "0", "12:00:00")});
  }
  app.Set(app_key::kSays, ring);
  app.Set(app_key::kCurrent, current);
}

struct Chat {
  Chat(int visitors, std::size_t ring_rows) : clock(convert::FromCivil({2026, 12, 6, 12, 0, 0})) {
    app.Set(app_key::kNoSayTimeout, "20");
    app.Set(app_key::kDontSaveValue, "600");
    std::string rooms;
    for (int room = 1; room <= kRooms; ++room) {
      const std::string key = std::to_string(room);
      rooms += "<$" + key + "$>hall$>owner$>robot$>$>$>$>1$>2026-12-06 12:00:00$>0$>0$>" +
               "0$>2026-12-06 12:00:00$>$>$>0$>1$><$" + key + "$>";
    }
    app.Set(app_key::kRoomList, rooms);
    FillRing(app, ring_rows);
    int newest =
        static_cast<int>(*messages::NumberAt(app.Get(app_key::kSays),
                                             messages::CurrentRow(app.Get(app_key::kCurrent)))
                              .AsInteger());
    std::string date = convert::DateToText(clock.Now());
    std::string users;
    for (int i = 0; i < visitors; ++i) {
      users += UserRecord("u" + std::to_string(i), i % kRooms + 1, date, newest);
    }
    app.Set(app_key::kUserList, users);
    // The polling visitor sits in the middle of the list.
    name = "u" + std::to_string(visitors / 2);
    session.Set("myname", name);
    session.Set("mytemp", name);
    sayid = newest - 10;
  }

  ManualClock clock;
  MemoryApplication app;
  MemorySession session;
  std::string name;
  int sayid = 0;
};

// A poll that receives the 10 newest lines (the request names the last one received).
void BM_RefreshTenNewLines(benchmark::State& state) {
  Chat chat(static_cast<int>(state.range(0)), static_cast<std::size_t>(state.range(1)));
  MemoryRequest request;
  request.SetQuery("sayid", chat.sayid);
  for (auto _ : state) {
    lumochat component(chat.clock);
    benchmark::DoNotOptimize(component.refresh(chat.app, chat.session, request));
  }
  state.SetItemsProcessed(state.iterations());
}

// A poll with nothing new: the visitor's record already holds the newest number.
void BM_RefreshNothingNew(benchmark::State& state) {
  Chat chat(static_cast<int>(state.range(0)), static_cast<std::size_t>(state.range(1)));
  MemoryRequest request;
  for (auto _ : state) {
    lumochat component(chat.clock);
    benchmark::DoNotOptimize(component.refresh(chat.app, chat.session, request));
  }
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_RefreshTenNewLines)
    ->ArgNames({"visitors", "ring"})
    ->ArgsProduct({{100, 1000, 10000, 100000}, {100, 10000}});
BENCHMARK(BM_RefreshNothingNew)
    ->ArgNames({"visitors", "ring"})
    ->ArgsProduct({{100, 1000, 10000, 100000}, {100, 10000}});

}  // namespace
}  // namespace ravochat
