// The markup filter from arbitrary bytes: never fails, and its result holds no tag that
// carries script or foreign content, no event-handler attribute and no script URL in a
// URL attribute. Text and values come back escaped, so every "<" opens a tag and every
// value is quoted.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/strings.h"
#include "text/markup_filter.h"

using namespace ravochat;

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

// One tag's text between "<" and ">": a name, then name="value" pairs.
void CheckTag(std::string_view tag) {
  for (std::string_view banned :
       {"script", "style", "svg", "iframe", "math", "object", "embed", "!--"}) {
    Check(!tag.starts_with(banned) && !tag.starts_with("/" + std::string(banned)));
  }
  std::size_t at = tag.find(' ');
  while (at != std::string_view::npos && at < tag.size()) {
    const std::size_t eq = tag.find("=\"", at);
    if (eq == std::string_view::npos) return;
    std::string_view name = tag.substr(at + 1, eq - at - 1);
    const std::size_t end = tag.find('"', eq + 2);
    Check(end != std::string_view::npos);
    std::string value;
    for (char c : tag.substr(eq + 2, end - eq - 2)) {
      if (static_cast<unsigned char>(c) > ' ') value += c;
    }
    Check(!name.starts_with("on"));
    if (name == "href" || name == "src" || name == "background") {
      Check(!value.starts_with("javascript:") && !value.starts_with("data:") &&
            !value.starts_with("vbscript:"));
    }
    at = end + 1;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view html(reinterpret_cast<const char*>(data), size);
  const std::string low = strings::ToLowerAscii(text::FilterMarkup(html));
  for (std::size_t open = low.find('<'); open != std::string::npos;
       open = low.find('<', open + 1)) {
    const std::size_t close = low.find('>', open);
    Check(close != std::string::npos);
    CheckTag(std::string_view(low).substr(open + 1, close - open - 1));
  }
  return 0;
}
