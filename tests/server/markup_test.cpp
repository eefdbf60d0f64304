// Escaping and templates of the server's own pages.
#include "server/markup.h"

#include "gtest/gtest.h"

namespace ravochat::server {
namespace {

TEST(Markup, HtmlEscapeCoversTextAndAttributes) {
  EXPECT_EQ(HtmlEscape("a<b & \"c\" 'd'>"), "a&lt;b &amp; &quot;c&quot; &#39;d&#39;&gt;");
}

TEST(Markup, JsStringKeepsQuotesBackslashesAndScriptEndsInside) {
  EXPECT_EQ(JsString("it's \\ \"x\"\n</script>"), "'it\\'s \\\\ \\\"x\\\"\\n<\\/script>'");
  EXPECT_EQ(JsString("中文/路径"), "'中文/路径'");
}

TEST(Markup, FillTemplateReplacesKnownSlotsEmptiesUnknownOnesAndLeavesAnUnclosedOne) {
  EXPECT_EQ(FillTemplate("<p><!--#a--></p><!--#b--><!-- plain -->", {{"a", "x"}}),
            "<p>x</p><!-- plain -->");
  EXPECT_EQ(FillTemplate("a<!--#b", {{"b", "x"}}), "a<!--#b");
}

}  // namespace
}  // namespace ravochat::server
