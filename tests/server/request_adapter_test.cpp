// The component's view of an HTTP request.
#include "server/request_adapter.h"

#include "core/convert.h"
#include "gtest/gtest.h"

namespace ravochat::server {
namespace {

std::string Text(const Value& v) { return convert::ToText(v); }

TEST(RequestAdapter, ItemsComeFromTheQueryBeforeTheFormAndARepeatedFieldReadsAsBothValues) {
  HttpRequest http;
  http.query = {{"id", "7"}};
  http.form = {{"says", "\xC4\xE3\xBA\xC3"}, {"id", "9"}, {"towho", "a"}, {"towho", "b"}};
  const MemoryRequest request = AdaptRequest(http, {});
  EXPECT_EQ(Text(request.Item("id")), "7");
  EXPECT_EQ(Text(request.Form("id")), "9");
  EXPECT_EQ(Text(request.Item("says")), "你好");
  EXPECT_EQ(Text(request.Form("towho")), "a, b");
}

TEST(RequestAdapter, ServerVariablesNameTheOriginAndTheHeaders) {
  HttpRequest http;
  http.headers = {
      {"Via", "1.1 proxy"}, {"X-Forwarded-For", "10.0.0.1"}, {"x-forwarded-for", "::1"}};
  http.peer_address = "127.0.0.1";
  const MemoryRequest direct = AdaptRequest(http, RequestOrigin(http, TrustedProxies()));
  EXPECT_EQ(Text(direct.ServerVariable("REMOTE_ADDR")), "127.0.0.1");
  EXPECT_EQ(Text(direct.ServerVariable("HTTP_VIA")), "1.1 proxy");
  EXPECT_EQ(Text(direct.ServerVariable("http_x_forwarded_for")), "10.0.0.1, ::1");
  EXPECT_TRUE(direct.ServerVariable("HTTP_COOKIE").IsEmpty());

  TrustedProxies trusted;
  ASSERT_TRUE(trusted.Add("127.0.0.1,::1"));
  const MemoryRequest proxied = AdaptRequest(http, RequestOrigin(http, trusted));
  EXPECT_EQ(Text(proxied.ServerVariable("REMOTE_ADDR")), "10.0.0.1");
  EXPECT_TRUE(proxied.ServerVariable("HTTP_X_FORWARDED_FOR").IsEmpty());
  EXPECT_EQ(Text(proxied.ServerVariable("HTTP_VIA")), "1.1 proxy");
}

}  // namespace
}  // namespace ravochat::server
