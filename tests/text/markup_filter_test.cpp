// The allow-list markup filter against the payload families that run script in a browser.
#include "text/markup_filter.h"

#include <gtest/gtest.h>

#include <string>

namespace ravochat::text {
namespace {

TEST(FilterMarkup, KeepsFormattingColoursLinksAndImagesAndDropsEveryWayToRunScript) {
  const struct {
    const char* html;
    const char* filtered;
  } cases[] = {
      {"<b>hi</b> <i>x</i>", "<b>hi</b> <i>x</i>"},
      {"<font color=red size=4>red</font>", "<font color=\"red\" size=\"4\">red</font>"},
      {"<span style='color:#f00'>c</span>", "<span style=\"color:#f00\">c</span>"},
      {"<a href=\"https://example.com/?a=1&b=2\">l</a>",
       "<a href=\"https://example.com/?a=1&amp;b=2\" rel=\"noopener noreferrer\">l</a>"},
      {"<img src=/face/1.gif alt=smile>", "<img src=\"/face/1.gif\" alt=\"smile\">"},
      {"a<br>b", "a<br>b"},
      {"<b>unclosed", "<b>unclosed</b>"},
      {"1 < 2 & 3 > 2", "1 &lt; 2 &amp; 3 &gt; 2"},
      // Every way to run script goes.
      {"<script>alert(1)</script>ok", "ok"},
      {"<SCRIPT SRC=//x.example/a.js></SCRIPT>", ""},
      {"<scr<script>ipt>alert(1)</script>", "ipt&gt;alert(1)"},
      {"<img src=x onerror=alert(1)>", "<img src=\"x\">"},
      {"<a href=\"javascript:alert(1)\">l</a>", "<a rel=\"noopener noreferrer\">l</a>"},
      {"<a href=\" JaVa\tScRiPt:alert(1)\">l</a>", "<a rel=\"noopener noreferrer\">l</a>"},
      {"<a href=\"&#106;avascript:alert(1)\">l</a>", "<a rel=\"noopener noreferrer\">l</a>"},
      {"<img src=\"data:text/html,<script>alert(1)</script>\">", "<img>"},
      {"<svg onload=alert(1)><circle/></svg>x", "x"},
      {"<math><mi xlink:href=javascript:alert(1)>m</mi></math>", ""},
      {"<iframe src=javascript:alert(1)></iframe>", ""},
      {"<style>*{color:red}</style><b style=\"background:url(x)\">b</b>", "<b>b</b>"},
      {"<div onmouseover=alert(1)>d</div>", "<div>d</div>"},
      {"<!--<script>alert(1)</script>-->c", "c"},
      {"<form action=javascript:alert(1)><input autofocus onfocus=alert(1)></form>", ""},
      {"<b title=\"\"><script>alert(1)</script>\">t</b>", "<b title=\"\">\"&gt;t</b>"},
      {"<unknown onclick=x>kept</unknown>", "kept"},
  };
  for (const auto& c : cases) EXPECT_EQ(FilterMarkup(c.html), c.filtered) << c.html;
}

TEST(FilterMarkup, DropsNestingBeyondItsDepthInsteadOfRecursingWithoutBound) {
  std::string deep;
  for (int i = 0; i < 5000; ++i) deep += "<b>";
  std::string out = FilterMarkup(deep + "x");
  EXPECT_EQ(out.find('x'), std::string::npos);
  EXPECT_LT(out.size(), 1000u);
}

}  // namespace
}  // namespace ravochat::text
