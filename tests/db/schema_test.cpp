// A new chat database: CreateDatabase, the tables, and the default rows that make a chat
// work at once (the rooms and news lines are checked where the chat loads them).
#include <gtest/gtest.h>

#include <filesystem>

#include "core/strings.h"
#include "db/pool.h"
#include "ravochat/database.h"
#include "ravochat/error.h"
#include "support/temp_database.h"

namespace ravochat::db {
namespace {

using testing::Backend;
using testing::TempDatabase;

// The backend of the test: SQLite when PostgreSQL cannot be reached and the test is skipped.
class Creation : public ::testing::TestWithParam<Backend> {
 protected:
  const Backend backend_ = testing::ReachableBackend(GetParam());
};

TEST(CreateDatabase, MakesTheFileAndItsFolderWhereNoneIs) {
  TempDatabase scratch;  // its folder, removed at the end, holds the new one
  std::filesystem::path folder =
      std::filesystem::path(scratch.connstr().substr(7)).parent_path() / "data";
  std::string connstr = "sqlite:" + (folder / "chat.db").string();
  CreateDatabase(connstr);
  auto conn = Connection::Open(connstr, SystemClock::Instance());
  EXPECT_EQ(conn->Execute("SELECT count(*) AS n FROM room").Field("n"), Value(4));
  conn.reset();
  DropPool(connstr);
}

// A missing SQLite file or an empty PostgreSQL database is made a chat database, once.
TEST_P(Creation, EnsuringMakesAMissingDatabaseOnlyOnce) {
  TempDatabase temp(false, backend_, false);
  EXPECT_TRUE(EnsureDatabase(temp.connstr()));
  // Rows added later are numbered after the default ones.
  temp.Exec("INSERT INTO room (room_name) VALUES ('new')");
  EXPECT_EQ(temp.Scalar("SELECT ID FROM room WHERE room_name='new'"), "5");
  temp.Exec("DELETE FROM room WHERE ID=4");
  EXPECT_FALSE(EnsureDatabase(temp.connstr()));
  EXPECT_EQ(temp.Scalar("SELECT count(*) FROM room"), "4");
}

// A new database's text settings have the forms the pages split; it is not made twice.
TEST_P(Creation, TextSettingsHaveTheFormsThePagesSplitAndTheDatabaseIsNotMadeAgain) {
  TempDatabase temp(true, backend_);
  EXPECT_THROW(db::CreateDatabase(temp.connstr()), DatabaseError);
  EXPECT_EQ(temp.Scalar("SELECT count(*) FROM room"), "4");
  const auto param = [&](std::string_view alias) {
    return temp.Scalar("SELECT body FROM sysparam WHERE alias=?", {alias});
  };
  EXPECT_EQ(param("hour24"), "0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0");
  EXPECT_GE(strings::Split(param("facecolorstr"), " ").size(), 2u);
  EXPECT_GE(strings::Split(param("backgroudcolorstr"), " ").size(), 1u);
  for (const char* alias : {"enterchatshow", "reentershow", "enterroomshow", "exitroomshow"}) {
    std::vector<std::string> parts = strings::Split(param(alias), "::");
    ASSERT_EQ(parts.size(), 3u) << alias;
    EXPECT_NE(parts[0].find("##"), std::string::npos) << alias;
    EXPECT_EQ(parts[0].find_first_of("'\"\\"), std::string::npos) << alias;
  }
}

INSTANTIATE_TEST_SUITE_P(Db, Creation, testing::kBothBackends, testing::BackendName);

TEST(UpgradeDatabase, AddsTheLaterTablesToAnOlderDatabaseAndKeepsThemInANewerOne) {
  TempDatabase temp(true);
  temp.Exec("INSERT INTO state_snapshot VALUES (1, 'now', 'c1', 'value', '_says', 'e', NULL)");
  UpgradeDatabase(temp.connstr());
  EXPECT_EQ(temp.Scalar("SELECT count(*) FROM state_snapshot"), "1");
  temp.Exec("DROP TABLE state_snapshot");
  UpgradeDatabase(temp.connstr());
  EXPECT_EQ(temp.Scalar("SELECT count(*) FROM state_snapshot"), "0");
}

}  // namespace
}  // namespace ravochat::db
