// The allow-list markup filter on gumbo's HTML5 parse tree. Only the walk below writes the
// result: every tag and attribute it writes is one of the lists here, every text and value
// passes EscapeText or EscapeAttribute.
#include "text/markup_filter.h"

#include <gumbo.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <memory>

#include "core/strings.h"

namespace ravochat::text {
namespace {

constexpr std::array kAllowedElements = {
    GUMBO_TAG_A,      GUMBO_TAG_B,      GUMBO_TAG_BIG,    GUMBO_TAG_BLOCKQUOTE, GUMBO_TAG_BR,
    GUMBO_TAG_CENTER, GUMBO_TAG_CODE,   GUMBO_TAG_DEL,    GUMBO_TAG_DIV,        GUMBO_TAG_EM,
    GUMBO_TAG_FONT,   GUMBO_TAG_H1,     GUMBO_TAG_H2,     GUMBO_TAG_H3,         GUMBO_TAG_HR,
    GUMBO_TAG_I,      GUMBO_TAG_IMG,    GUMBO_TAG_INS,    GUMBO_TAG_LI,         GUMBO_TAG_MARQUEE,
    GUMBO_TAG_OL,     GUMBO_TAG_P,      GUMBO_TAG_PRE,    GUMBO_TAG_S,          GUMBO_TAG_SMALL,
    GUMBO_TAG_SPAN,   GUMBO_TAG_STRIKE, GUMBO_TAG_STRONG, GUMBO_TAG_SUB,        GUMBO_TAG_SUP,
    GUMBO_TAG_TABLE,  GUMBO_TAG_TBODY,  GUMBO_TAG_TD,     GUMBO_TAG_TR,         GUMBO_TAG_TT,
    GUMBO_TAG_U,      GUMBO_TAG_UL};

// Elements whose content is script, style, a document of its own or foreign markup:
// dropped whole, since their text is no text of the line.
constexpr std::array kDroppedWhole = {
    GUMBO_TAG_SCRIPT,   GUMBO_TAG_STYLE,    GUMBO_TAG_IFRAME,   GUMBO_TAG_OBJECT,
    GUMBO_TAG_EMBED,    GUMBO_TAG_APPLET,   GUMBO_TAG_SVG,      GUMBO_TAG_MATH,
    GUMBO_TAG_TEMPLATE, GUMBO_TAG_NOSCRIPT, GUMBO_TAG_NOEMBED,  GUMBO_TAG_NOFRAMES,
    GUMBO_TAG_FRAMESET, GUMBO_TAG_FRAME,    GUMBO_TAG_TEXTAREA, GUMBO_TAG_TITLE,
    GUMBO_TAG_XMP,      GUMBO_TAG_SELECT,   GUMBO_TAG_HEAD,     GUMBO_TAG_BASE,
    GUMBO_TAG_LINK,     GUMBO_TAG_META};

constexpr std::array kVoidElements = {GUMBO_TAG_BR, GUMBO_TAG_HR, GUMBO_TAG_IMG};

constexpr std::array<std::string_view, 12> kAllowedAttributes = {
    "align", "alt",   "bgcolor", "border", "color",  "face",
    "size",  "style", "title",   "width",  "height", "target"};

constexpr std::array<std::string_view, 3> kUrlAttributes = {"href", "src", "background"};

template <typename List, typename Item>
bool Has(const List& list, const Item& item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

std::string EscapeText(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '&') {
      out += "&amp;";
    } else if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";
    } else {
      out += c;
    }
  }
  return out;
}

std::string EscapeAttribute(std::string_view value) {
  std::string out = EscapeText(value);
  std::string quoted;
  for (char c : out) quoted += c == '"' ? std::string("&quot;") : std::string(1, c);
  return quoted;
}

// A URL is kept when it names no scheme or one of http, https and mailto. Browsers skip
// control characters and blanks inside a scheme, so they are skipped here too.
bool SafeUrl(std::string_view url) {
  std::string scheme;
  for (char c : url) {
    if (c == ':') {
      return scheme == "http" || scheme == "https" || scheme == "mailto";
    }
    if (c == '/' || c == '?' || c == '#') return true;
    if (static_cast<unsigned char>(c) > ' ') scheme += static_cast<char>(std::tolower(c));
  }
  return true;
}

// A style may colour and size; one that can load, run or cover the page is dropped.
bool SafeStyle(std::string_view style) {
  std::string low = strings::ToLowerAscii(style);
  for (std::string_view bad : {"url", "expression", "javascript", "@", "\\", "position", "behavior",
                               "binding", "&", "<"}) {
    if (low.find(bad) != std::string::npos) return false;
  }
  return true;
}

bool KeepAttribute(std::string_view name, std::string_view value) {
  if (Has(kUrlAttributes, name)) return SafeUrl(value);
  if (name == "style") return SafeStyle(value);
  return Has(kAllowedAttributes, name);
}

// Nesting deeper than this is no formatting anyone reads; it is dropped, which also bounds
// the recursion of the walk.
constexpr int kMaxDepth = 64;

void WriteNode(const GumboNode& node, int depth, std::string& out);

void WriteChildren(const GumboVector& children, int depth, std::string& out) {
  if (depth > kMaxDepth) return;
  for (unsigned i = 0; i < children.length; ++i) {
    WriteNode(*static_cast<const GumboNode*>(children.data[i]), depth, out);
  }
}

void WriteElement(const GumboElement& element, int depth, std::string& out) {
  if (Has(kDroppedWhole, element.tag) || element.tag_namespace != GUMBO_NAMESPACE_HTML) return;
  if (!Has(kAllowedElements, element.tag)) return WriteChildren(element.children, depth + 1, out);
  std::string_view name = gumbo_normalized_tagname(element.tag);
  out.append("<").append(name);
  for (unsigned i = 0; i < element.attributes.length; ++i) {
    const auto& attribute = *static_cast<const GumboAttribute*>(element.attributes.data[i]);
    if (!KeepAttribute(attribute.name, attribute.value)) continue;
    out.append(" ").append(attribute.name).append("=\"");
    out.append(EscapeAttribute(attribute.value)).append("\"");
  }
  // A link never reaches back into the chat window that opened it.
  if (element.tag == GUMBO_TAG_A) out.append(" rel=\"noopener noreferrer\"");
  out.append(">");
  if (Has(kVoidElements, element.tag)) return;
  WriteChildren(element.children, depth + 1, out);
  out.append("</").append(name).append(">");
}

void WriteNode(const GumboNode& node, int depth, std::string& out) {
  switch (node.type) {
    case GUMBO_NODE_ELEMENT:
    case GUMBO_NODE_TEMPLATE:
      WriteElement(node.v.element, depth, out);
      break;
    case GUMBO_NODE_TEXT:
    case GUMBO_NODE_WHITESPACE:
    case GUMBO_NODE_CDATA:
      out += EscapeText(node.v.text.text);
      break;
    default:  // documents and comments
      break;
  }
}

}  // namespace

std::string FilterMarkup(std::string_view html) {
  GumboOptions options = kGumboDefaultOptions;
  options.fragment_context = GUMBO_TAG_DIV;
  options.max_errors = 0;
  auto deleter = [&options](GumboOutput* output) { gumbo_destroy_output(&options, output); };
  std::unique_ptr<GumboOutput, decltype(deleter)> parsed(
      gumbo_parse_with_options(&options, html.data(), html.size()), deleter);
  std::string out;
  // A fragment parses into an <html> element holding the fragment's nodes.
  WriteChildren(parsed->root->v.element.children, 0, out);
  return out;
}

}  // namespace ravochat::text
