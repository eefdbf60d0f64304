// Escaping for the pages the server writes itself (the component escapes its own
// output): HTML text and attributes, single-quoted script strings, and the site's page
// templates with "<!--#name-->" slots.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace ravochat::server {

// HtmlEscape("a<b & 'c'") == "a&lt;b &amp; &#39;c&#39;"
std::string HtmlEscape(std::string_view text);

// The text as a single-quoted script string, quotes included:
// JsString("it's</script>") == "'it\\'s<\\/script>'"
std::string JsString(std::string_view text);

// `page` with every "<!--#name-->" slot replaced by `values[name]`; an unknown slot
// becomes empty.
std::string FillTemplate(std::string_view page, const std::map<std::string, std::string>& values);

}  // namespace ravochat::server
