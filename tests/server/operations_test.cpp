// Running the chat for real: the metrics page and a backup that a restored chat logs in from.
#include <filesystem>
#include <regex>

#include "core/convert.h"
#include "db/pool.h"
#include "ravochat/database.h"
#include "server/server_fixture.h"

namespace ravochat::testing {
namespace {

TEST_P(SqliteServerTest, MetricsCountPagesPollsLinesAndLoginsByReason) {
  Start();
  const std::string amy = CookieLine("amy", "secret1");
  LogIn("bob", "bob");
  LogIn("bob", "bob");
  Client()->Post("/say.asp", GbkForm({{"says", "hello"}, {"towho", "大家"}}), {amy});
  Client()->Get("/refresh.asp", {amy});
  const HttpReply reply = Client()->Get("/metrics");
  EXPECT_EQ(reply.Header("Content-Type"), "text/plain; version=0.0.4; charset=utf-8");
  for (std::string_view line : {
           "ravochat_visitors_online{chat=\"\"} 1\n",
           "ravochat_http_requests_total{page=\"login.asp\",code=\"200\"} 3\n",
           "ravochat_http_request_duration_seconds_count{page=\"say.asp\"} 1\n",
           "ravochat_polls_total 1\n",
           "ravochat_lines_posted_total 1\n",
           "ravochat_logins_admitted_total 1\n",
           "ravochat_logins_refused_total{reason=\"name_is_password\"} 2\n",
           "ravochat_database_errors_total 0\n",
       }) {
    EXPECT_TRUE(Has(reply.body, line)) << line << reply.body;
  }
  // The private login notice, the entry announcement and the line posted.
  EXPECT_TRUE(Has(reply.body, "ravochat_newest_message_number{chat=\"\"} 3\n"));
  // Connections of earlier requests may not have been seen closing yet.
  EXPECT_TRUE(std::regex_search(reply.body, std::regex("\nravochat_http_connections_open [1-9]")));
}

// SQLite's online backup copies the database file; a PostgreSQL database is backed up by
// its own tools.
TEST_P(SqliteServerTest, ARestoredBackupLogsInAUserMadeBeforeIt) {
  Start({"--admin-token", "t0ken"});
  CookieLine("amy", "secret1");
  EXPECT_EQ(Client()->Get("/admin/backup.asp?token=wrong").status, 404);
  const HttpReply reply = Client()->Get("/admin/backup.asp?token=t0ken");
  std::smatch found;
  ASSERT_TRUE(std::regex_search(reply.body, found, std::regex("<p id=backup>([^<]+)</p>")));
  const std::filesystem::path backup = found[1].str();
  EXPECT_EQ(backup.parent_path().filename(), "backups");
  CookieLine("bob", "secret2");  // after the backup: not in it
  server_.reset();

  // The original goes, so that everything the restarted chat knows comes from the copy.
  const std::string restored = (backup.parent_path() / "restored.db").string();
  std::filesystem::copy_file(backup, restored);
  db::DropPool(db_->connstr());
  for (const char* suffix : {"", "-wal", "-shm"}) {
    std::filesystem::remove(backup.parent_path().parent_path() / ("chat.db" + std::string(suffix)));
  }
  Start({"--db", restored});
  EXPECT_TRUE(Has(LogIn("amy", "wrong11").body, Gbk("错误：您输入了错误的密码")));
  CookieLine("amy", "secret1");
  server_.reset();
  db::DropPool(restored);
  EXPECT_EQ(convert::ToText(db::Connection::Open(restored, SystemClock::Instance())
                                ->Execute("SELECT group_concat(username) FROM user")
                                .FieldAt(0)),
            "amy");
}

}  // namespace
}  // namespace ravochat::testing
