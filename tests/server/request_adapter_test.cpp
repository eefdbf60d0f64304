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
  const MemoryRequest request = AdaptRequest(http);
  EXPECT_EQ(Text(request.Item("id")), "7");
  EXPECT_EQ(Text(request.Form("id")), "9");
  EXPECT_EQ(Text(request.Item("says")), "你好");
  EXPECT_EQ(Text(request.Form("towho")), "a, b");
}

TEST(RequestAdapter, ServerVariablesNameThePeerAndTheHeaders) {
  HttpRequest http;
  http.headers = {{"Via", "1.1 proxy"}, {"X-Forwarded-For", "10.0.0.1"}};
  http.peer_address = "127.0.0.1";
  const MemoryRequest request = AdaptRequest(http);
  EXPECT_EQ(Text(request.ServerVariable("REMOTE_ADDR")), "127.0.0.1");
  EXPECT_EQ(Text(request.ServerVariable("HTTP_VIA")), "1.1 proxy");
  EXPECT_EQ(Text(request.ServerVariable("http_x_forwarded_for")), "10.0.0.1");
  EXPECT_TRUE(request.ServerVariable("HTTP_COOKIE").IsEmpty());
}

}  // namespace
}  // namespace ravochat::server
