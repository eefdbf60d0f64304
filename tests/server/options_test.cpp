// The command line of ravochat-server.
#include "server/options.h"

#include "gtest/gtest.h"

namespace ravochat::server {
namespace {

TEST(ServerOptions, TheBareCommandServesOneChatOnTheLoopbackPort8080) {
  const Options options = ParseOptions({}, "/site");
  EXPECT_EQ(options.host, "127.0.0.1");
  EXPECT_EQ(options.port, 8080);
  EXPECT_EQ(options.db, "data/chat.db");
  EXPECT_EQ(options.site, "/site");
  EXPECT_EQ(options.chats, std::vector<std::string>{""});
  EXPECT_EQ(options.admin_token, "");
}

TEST(ServerOptions, ListenTakesAHostAndAPortOrAPortAlone) {
  Options options = ParseOptions({"--listen", "0.0.0.0:9000"}, "");
  EXPECT_EQ(options.host, "0.0.0.0");
  EXPECT_EQ(options.port, 9000);
  options = ParseOptions({"--listen=:81"}, "");
  EXPECT_EQ(options.host, "127.0.0.1");
  EXPECT_EQ(options.port, 81);
}

TEST(ServerOptions, ChatIsRepeatableAndKeepsItsOrder) {
  EXPECT_EQ(ParseOptions({"--chat", "c1", "--chat=c2"}, "").chats,
            (std::vector<std::string>{"c1", "c2"}));
}

TEST(ServerOptions, SetSplitsAtTheFirstEqualsSign) {
  const Options options = ParseOptions({"--set", "enterchatshow=a=b::c::d"}, "");
  ASSERT_EQ(options.settings.size(), 1u);
  EXPECT_EQ(options.settings[0].first, "enterchatshow");
  EXPECT_EQ(options.settings[0].second, "a=b::c::d");
}

TEST(ServerOptions, MistakesAreUsageErrors) {
  EXPECT_THROW(ParseOptions({"--port", "1"}, ""), UsageError);
  EXPECT_THROW(ParseOptions({"--listen", "host:99999"}, ""), UsageError);
  EXPECT_THROW(ParseOptions({"--threads", "0"}, ""), UsageError);
  EXPECT_THROW(ParseOptions({"--chat", "a/b"}, ""), UsageError);
  EXPECT_THROW(ParseOptions({"--set", "novalue"}, ""), UsageError);
  EXPECT_THROW(ParseOptions({"--db"}, ""), UsageError);
}

TEST(ServerOptions, HelpIsRecognised) { EXPECT_TRUE(ParseOptions({"--help"}, "").help); }

}  // namespace
}  // namespace ravochat::server
