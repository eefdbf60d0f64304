// Escapers and the template filler of the server's own pages.
#include "transport/markup.h"

namespace ravochat::server {

std::string HtmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out.push_back(c);
    }
  }
  return out;
}

std::string JsString(std::string_view text) {
  std::string out = "'";
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\'':
        out += "\\'";
        break;
      case '"':
        out += "\\\"";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '/':
        // "</script>" must not close the page's script block.
        out += (i > 0 && text[i - 1] == '<') ? "\\/" : "/";
        break;
      default:
        out.push_back(c);
    }
  }
  return out + "'";
}

std::string FillTemplate(std::string_view page, const std::map<std::string, std::string>& values) {
  static constexpr std::string_view kOpen = "<!--#";
  static constexpr std::string_view kClose = "-->";
  std::string out;
  std::size_t at = 0;
  while (true) {
    const std::size_t open = page.find(kOpen, at);
    const std::size_t close =
        open == std::string_view::npos ? open : page.find(kClose, open + kOpen.size());
    if (close == std::string_view::npos) break;
    out.append(page.substr(at, open - at));
    const std::string name(page.substr(open + kOpen.size(), close - open - kOpen.size()));
    if (auto it = values.find(name); it != values.end()) out += it->second;
    at = close + kClose.size();
  }
  out.append(page.substr(at));
  return out;
}

}  // namespace ravochat::server
