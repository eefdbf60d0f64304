// The markup filter for lines whose poster may use HTML: the line is parsed as a browser
// would (gumbo) and written back with only an allow-list of elements and attributes, so
// that no script, style, event handler or script-bearing URL survives.
#pragma once

#include <string>
#include <string_view>

namespace ravochat::text {

// `html` parsed as the content of a <div> and written back holding only formatting,
// colour, link and image markup. Elements that carry script or foreign content (script,
// style, iframe, svg, ...) are dropped with their content; other unknown elements are
// dropped and their content kept. Attributes outside the allow-list (every "on..."
// handler among them) are dropped, as are URLs other than http:, https:, mailto: and
// relative ones. Text and attribute values come back escaped, so the result holds no
// "<" that does not open an allowed tag and never a comment:
// FilterMarkup("<b onclick=x>hi</b><script>x()</script>") == "<b>hi</b>"
std::string FilterMarkup(std::string_view html);

}  // namespace ravochat::text
