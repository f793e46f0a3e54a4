#include "actions/integration/internet/web_text.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/text.h"

namespace plumo {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }
bool IsNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }

// Named entities and the ANSI (Windows-1252) byte each stands for.
struct Entity {
  std::string_view name;
  char byte;
};
constexpr Entity kEntities[] = {
    {"nbsp", ' '},       {"amp", '&'},        {"lt", '<'},         {"gt", '>'},         {"quot", '"'},
    {"apos", '\''},      {"copy", '\xA9'},    {"reg", '\xAE'},     {"trade", '\x99'},   {"mdash", '\x97'},
    {"ndash", '\x96'},   {"hellip", '\x85'},  {"laquo", '\xAB'},   {"raquo", '\xBB'},   {"euro", '\x80'},
    {"lsquo", '\x91'},   {"rsquo", '\x92'},   {"ldquo", '\x93'},   {"rdquo", '\x94'},   {"bull", '\x95'},
    {"middot", '\xB7'},  {"deg", '\xB0'},     {"sect", '\xA7'},    {"para", '\xB6'},    {"pound", '\xA3'},
    {"yen", '\xA5'},     {"cent", '\xA2'},    {"times", '\xD7'},   {"divide", '\xF7'},  {"shy", '\xAD'},
    {"auml", '\xE4'},    {"ouml", '\xF6'},    {"uuml", '\xFC'},    {"Auml", '\xC4'},    {"Ouml", '\xD6'},
    {"Uuml", '\xDC'},    {"szlig", '\xDF'},   {"eacute", '\xE9'},  {"egrave", '\xE8'},  {"agrave", '\xE0'},
    {"aacute", '\xE1'},  {"ccedil", '\xE7'},  {"ntilde", '\xF1'},  {"oacute", '\xF3'},  {"iacute", '\xED'},
    {"uacute", '\xFA'},  {"Eacute", '\xC9'},  {"ecirc", '\xEA'},   {"acirc", '\xE2'},   {"ocirc", '\xF4'},
};

// Code points above 255 that Windows-1252 has a byte for.
struct WideByte {
  long code;
  char byte;
};
constexpr WideByte kWideBytes[] = {
    {8364, '\x80'}, {8230, '\x85'}, {8216, '\x91'}, {8217, '\x92'}, {8220, '\x93'}, {8221, '\x94'},
    {8226, '\x95'}, {8211, '\x96'}, {8212, '\x97'}, {8482, '\x99'}, {338, '\x8C'},  {339, '\x9C'},
};

// The entity at text[i] ('&'): its byte and length, or nullopt when it is none we know.
std::optional<std::pair<char, size_t>> Entity(std::string_view text, size_t i) {
  const size_t semi = text.find(';', i + 1);
  if (semi == std::string_view::npos || semi - i > 10) return std::nullopt;
  std::string_view name = text.substr(i + 1, semi - i - 1);
  const size_t length = semi - i + 1;
  if (!name.empty() && name[0] == '#') {
    const bool hex = name.size() > 1 && (name[1] == 'x' || name[1] == 'X');
    std::string digits(name.substr(hex ? 2 : 1));
    if (digits.empty()) return std::nullopt;
    char* end = nullptr;
    const long code = std::strtol(digits.c_str(), &end, hex ? 16 : 10);
    if (*end) return std::nullopt;
    if (code == 160) return std::make_pair(' ', length);
    if (code > 0 && code < 256) return std::make_pair(static_cast<char>(code), length);
    for (const WideByte& w : kWideBytes)
      if (w.code == code) return std::make_pair(w.byte, length);
    return std::make_pair('?', length);
  }
  for (const auto& e : kEntities)
    if (e.name == name) return std::make_pair(e.byte, length);
  for (const auto& e : kEntities)  // "&AMP;" and the like
    if (EqualsNoCase(e.name, name)) return std::make_pair(e.byte, length);
  return std::nullopt;
}

std::string DecodeEntities(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&') {
      if (auto e = Entity(text, i)) {
        out.push_back(e->first);
        i += e->second - 1;
        continue;
      }
    }
    out.push_back(text[i]);
  }
  return out;
}

// How a tag breaks the text.
enum class Break { kNone, kLine, kParagraph, kItem, kCell };
struct TagRule {
  std::string_view name;
  Break open;
  Break close;
};
constexpr TagRule kTagRules[] = {
    {"br", Break::kLine, Break::kLine},
    {"p", Break::kParagraph, Break::kParagraph},
    {"div", Break::kLine, Break::kLine},
    {"tr", Break::kLine, Break::kLine},
    {"table", Break::kLine, Break::kLine},
    {"ul", Break::kLine, Break::kLine},
    {"ol", Break::kLine, Break::kLine},
    {"li", Break::kItem, Break::kLine},
    {"dt", Break::kLine, Break::kLine},
    {"dd", Break::kLine, Break::kLine},
    {"hr", Break::kLine, Break::kLine},
    {"h1", Break::kParagraph, Break::kParagraph},
    {"h2", Break::kParagraph, Break::kParagraph},
    {"h3", Break::kParagraph, Break::kParagraph},
    {"h4", Break::kParagraph, Break::kParagraph},
    {"h5", Break::kParagraph, Break::kParagraph},
    {"h6", Break::kParagraph, Break::kParagraph},
    {"title", Break::kLine, Break::kParagraph},
    {"blockquote", Break::kParagraph, Break::kParagraph},
    {"pre", Break::kLine, Break::kLine},
    {"td", Break::kCell, Break::kNone},
    {"th", Break::kCell, Break::kNone},
    {"section", Break::kLine, Break::kLine},
    {"article", Break::kLine, Break::kLine},
    {"header", Break::kLine, Break::kLine},
    {"footer", Break::kLine, Break::kLine},
    {"form", Break::kLine, Break::kLine},
};
// Elements whose content is never shown.
constexpr std::string_view kHidden[] = {"script", "style", "noscript", "template"};

class TextBuilder {
 public:
  void Char(char c, bool pre) {
    if (!pre && IsBlank(c)) {
      space_ = true;
      return;
    }
    if (pre && c == '\r') return;
    if (pre && c == '\n') {
      out_ += "\r\n";
      space_ = false;
      return;
    }
    if (space_ && !out_.empty() && !AtLineStart() && out_.back() != ' ' && out_.back() != '\t') out_.push_back(' ');
    space_ = false;
    out_.push_back(c);
  }
  // Ends the line so that `breaks` line ends (1 or 2) close the text so far.
  void Lines(int breaks) {
    space_ = false;
    while (!out_.empty() && (out_.back() == ' ' || out_.back() == '\t')) out_.pop_back();
    if (out_.empty()) return;
    int have = 0;
    for (size_t n = out_.size(); n >= 2 && out_.compare(n - 2, 2, "\r\n") == 0 && have < 2; n -= 2) ++have;
    for (; have < breaks; ++have) out_ += "\r\n";
  }
  void Cell() {
    if (!out_.empty() && !AtLineStart()) out_.push_back('\t');
    space_ = false;
  }
  void Raw(std::string_view s) { out_ += s; }
  std::string Finish() {
    Lines(0);
    while (out_.size() >= 2 && out_.compare(out_.size() - 2, 2, "\r\n") == 0) out_.resize(out_.size() - 2);
    return out_;
  }

 private:
  bool AtLineStart() const { return out_.empty() || out_.back() == '\n'; }
  std::string out_;
  bool space_ = false;
};

// The lower-case name of the tag that text[i] ('<') opens, and whether it closes.
std::string TagName(std::string_view html, size_t i, bool* closing) {
  size_t p = i + 1;
  *closing = p < html.size() && html[p] == '/';
  if (*closing) ++p;
  size_t e = p;
  while (e < html.size() && IsNameChar(html[e])) ++e;
  return ToLowerAnsi(html.substr(p, e - p));
}

// Where the tag that begins at i ends (after its '>'); quoted attribute values may hold '>'.
size_t TagEnd(std::string_view html, size_t i) {
  char quote = 0;
  for (size_t p = i + 1; p < html.size(); ++p) {
    const char c = html[p];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      if (p > 0 && html[p - 1] == '=') quote = c;
    } else if (c == '>') {
      return p + 1;
    }
  }
  return html.size();
}

// The value of attribute name in the tag html[start, end), entities decoded.
std::optional<std::string> Attribute(std::string_view tag, std::string_view name) {
  size_t p = 1;
  while (p < tag.size() && IsNameChar(tag[p])) ++p;  // the tag's own name
  while (p < tag.size()) {
    while (p < tag.size() && (IsBlank(tag[p]) || tag[p] == '/')) ++p;
    size_t n = p;
    while (n < tag.size() && !IsBlank(tag[n]) && tag[n] != '=' && tag[n] != '>' && tag[n] != '/') ++n;
    if (n == p) break;
    std::string_view attr = tag.substr(p, n - p);
    p = n;
    while (p < tag.size() && IsBlank(tag[p])) ++p;
    std::string_view value;
    if (p < tag.size() && tag[p] == '=') {
      ++p;
      while (p < tag.size() && IsBlank(tag[p])) ++p;
      if (p < tag.size() && (tag[p] == '"' || tag[p] == '\'')) {
        const size_t close = tag.find(tag[p], p + 1);
        const size_t stop = close == std::string_view::npos ? tag.size() : close;
        value = tag.substr(p + 1, stop - p - 1);
        p = stop + 1;
      } else {
        size_t v = p;
        while (v < tag.size() && !IsBlank(tag[v]) && tag[v] != '>') ++v;
        value = tag.substr(p, v - p);
        p = v;
      }
    }
    if (EqualsNoCase(attr, name)) return DecodeEntities(Trim(value));
  }
  return std::nullopt;
}

// The element kinds that Extract Web Tag/Link looks for around the search text.
enum class Kind { kAnchor, kImage, kMeta, kItem };
struct ElementRule {
  std::string_view prefix;
  Kind kind;
  std::string_view close;  // "" for a tag without content
  std::string_view link;   // the attribute that holds its link
};
constexpr ElementRule kElements[] = {
    {"<a ", Kind::kAnchor, "</a", "href"},
    {"<img ", Kind::kImage, "", "src"},
    {"<meta ", Kind::kMeta, "", "content"},
    {"<li", Kind::kItem, "</li", ""},
};

struct Element {
  const ElementRule* rule = nullptr;
  size_t start = 0;     // its '<'
  size_t tagEnd = 0;    // after the '>' of its start tag
  size_t innerEnd = 0;  // where its end tag begins
  size_t end = 0;       // after its end tag
};

Element Measure(std::string_view html, const ElementRule& rule, size_t start) {
  Element e{&rule, start, TagEnd(html, start), 0, 0};
  e.innerEnd = e.end = e.tagEnd;
  if (rule.close.empty()) return e;
  size_t close = FindNoCase(html, rule.close, e.tagEnd);
  if (rule.kind == Kind::kItem) {  // an item also ends where the next one or its list begins
    for (std::string_view stop : {std::string_view("<li"), std::string_view("</ul"), std::string_view("</ol")}) {
      const size_t s = FindNoCase(html, stop, e.tagEnd);
      if (s < close) close = s;
    }
  }
  if (close == std::string_view::npos) close = html.size();
  e.innerEnd = close;
  e.end = close;
  if (close < html.size() && StartsWithNoCase(html.substr(close), rule.close)) e.end = TagEnd(html, close);
  return e;
}

// The innermost element of the kinds above that holds the text at [at, at + length). Only the
// nearest element of each kind can: anchors do not nest, and an item ends where the next begins.
std::optional<Element> Around(std::string_view html, size_t at, size_t length) {
  std::optional<Element> best;
  const std::string lower = ToLowerAnsi(html.substr(0, at + length));
  for (const ElementRule& rule : kElements) {
    const size_t start = lower.rfind(rule.prefix, at);
    if (start == std::string::npos) continue;
    Element e = Measure(html, rule, start);
    if (e.end >= at + length && (!best || e.start > best->start)) best = e;
  }
  return best;
}

std::string LinkOf(std::string_view html, const Element& e) {
  std::string_view tag = html.substr(e.start, e.tagEnd - e.start);
  if (e.rule->kind == Kind::kItem) {
    std::string_view inner = html.substr(e.tagEnd, e.innerEnd - e.tagEnd);
    const size_t anchor = FindNoCase(inner, "<a ");
    if (anchor == std::string_view::npos) return HtmlToText(inner);
    return Attribute(inner.substr(anchor, TagEnd(inner, anchor) - anchor), "href").value_or("");
  }
  std::string link = Attribute(tag, e.rule->link).value_or("");
  if (e.rule->kind == Kind::kMeta) {  // <meta http-equiv="refresh" content="0; url=...">
    const size_t url = FindNoCase(link, "url=");
    if (url != std::string::npos) link = std::string(Trim(std::string_view(link).substr(url + 4)));
    if (!link.empty() && (link.front() == '\'' || link.front() == '"')) link = link.substr(1, link.size() - 2);
  }
  return link;
}

std::string_view SchemeOf(std::string_view address) {
  for (size_t i = 0; i < address.size(); ++i) {
    const char c = address[i];
    if (c == ':') return i > 0 ? address.substr(0, i) : std::string_view();
    if (!IsNameChar(c) && c != '+' && c != '-' && c != '.') break;
  }
  return {};
}

// "../" and "./" taken out of a path.
std::string Normalize(std::string_view path) {
  std::vector<std::string> parts;
  size_t start = 0;
  bool trailing = false;
  while (start <= path.size()) {
    size_t slash = path.find('/', start);
    if (slash == std::string_view::npos) slash = path.size();
    std::string_view part = path.substr(start, slash - start);
    trailing = part == "." || part == "..";
    if (part == "..") {
      if (parts.size() > 1) parts.pop_back();
    } else if (part != ".") {
      parts.emplace_back(part);
    }
    start = slash + 1;
  }
  std::string out;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i) out.push_back('/');
    out += parts[i];
  }
  if (trailing) out.push_back('/');
  return out;
}

bool FormSafe(char c) {
  return IsNameChar(c) || std::strchr("-_.~*=&%+", c) != nullptr;
}

}  // namespace

std::string WithScheme(std::string_view address) {
  if (StartsWithNoCase(address, "www.")) return "http://" + std::string(address);
  return std::string(address);
}

std::string ResolveAddress(std::string_view base, std::string_view ref) {
  ref = Trim(ref);
  if (!SchemeOf(ref).empty()) return std::string(ref);
  const std::string_view scheme = SchemeOf(base);
  if (scheme.empty()) return std::string(ref);
  if (ref.substr(0, 2) == "//") return std::string(scheme) + ":" + std::string(ref);
  // base = scheme "://" authority path [?query] [#fragment]
  size_t authorityEnd = scheme.size() + 1;
  if (base.substr(authorityEnd, 2) == "//") authorityEnd = base.find_first_of("/?#", authorityEnd + 2);
  if (authorityEnd == std::string_view::npos) authorityEnd = base.size();
  const std::string_view origin = base.substr(0, authorityEnd);
  std::string_view rest = base.substr(authorityEnd);
  const std::string_view noFragment = rest.substr(0, rest.find('#'));
  const std::string_view path = noFragment.substr(0, noFragment.find('?'));
  if (ref.empty()) return std::string(origin) + std::string(noFragment);
  if (ref[0] == '#') return std::string(origin) + std::string(noFragment) + std::string(ref);
  if (ref[0] == '?') return std::string(origin) + std::string(path) + std::string(ref);
  std::string merged;
  if (ref[0] == '/') {
    merged = std::string(ref);
  } else {
    const size_t slash = path.rfind('/');
    merged = (slash == std::string_view::npos ? std::string("/") : std::string(path.substr(0, slash + 1))) + std::string(ref);
  }
  const size_t tail = merged.find_first_of("?#");
  const std::string suffix = tail == std::string::npos ? "" : merged.substr(tail);
  return std::string(origin) + Normalize(merged.substr(0, tail)) + suffix;
}

std::string HtmlToText(std::string_view html) {
  TextBuilder text;
  int pre = 0;
  for (size_t i = 0; i < html.size();) {
    const char c = html[i];
    if (c == '<') {
      if (html.compare(i, 4, "<!--") == 0) {
        const size_t end = html.find("-->", i + 4);
        i = end == std::string_view::npos ? html.size() : end + 3;
        continue;
      }
      bool closing = false;
      const std::string name = TagName(html, i, &closing);
      if (name.empty() && !closing && (i + 1 >= html.size() || html[i + 1] != '!')) {
        text.Char(c, pre > 0);  // a '<' that opens no tag
        ++i;
        continue;
      }
      i = TagEnd(html, i);
      if (!closing && std::find(std::begin(kHidden), std::end(kHidden), name) != std::end(kHidden)) {
        const size_t close = FindNoCase(html, "</" + name, i);
        i = close == std::string_view::npos ? html.size() : TagEnd(html, close);
        continue;
      }
      if (name == "pre") pre = std::max(0, pre + (closing ? -1 : 1));
      for (const TagRule& rule : kTagRules) {
        if (rule.name != name) continue;
        switch (closing ? rule.close : rule.open) {
          case Break::kNone: break;
          case Break::kLine: text.Lines(1); break;
          case Break::kParagraph: text.Lines(2); break;
          case Break::kItem:
            text.Lines(1);
            text.Raw("* ");
            break;
          case Break::kCell: text.Cell(); break;
        }
        break;
      }
      continue;
    }
    if (c == '&') {
      if (auto e = Entity(html, i)) {
        // An entity is text, never the blank that HTML folds.
        if (e->first == ' ') text.Raw(" ");
        else text.Char(e->first, pre > 0);
        i += e->second;
        continue;
      }
    }
    text.Char(c, pre > 0);
    ++i;
  }
  return text.Finish();
}

std::optional<std::string> ExtractWebTag(std::string_view html, std::string_view search, std::string_view options,
                                         std::string_view page) {
  const size_t at = search.empty() ? FindNoCase(html, "<a ") : FindNoCase(html, search);
  if (at == std::string_view::npos) return std::nullopt;
  std::optional<Element> e = Around(html, at, search.empty() ? 3 : search.size());
  if (!e) return std::nullopt;
  if (ContainsNoCase(options, "Inner")) {
    if (e->rule->close.empty()) return std::string(html.substr(e->start, e->tagEnd - e->start));
    return std::string(html.substr(e->tagEnd, e->innerEnd - e->tagEnd));
  }
  if (ContainsNoCase(options, "Raw")) return std::string(html.substr(e->start, e->end - e->start));
  std::string link = LinkOf(html, *e);
  if (ContainsNoCase(options, "Absolute")) link = ResolveAddress(page, link);
  return link;
}

PostForm SplitPostForm(std::string_view address, std::string_view data) {
  PostForm form;
  std::string_view raw = data;
  if (data.empty()) {
    const size_t q = address.find('?');
    form.address = std::string(address.substr(0, q));
    if (q != std::string_view::npos) raw = address.substr(q + 1);
  } else {
    form.address = std::string(address);
  }
  static const char kHex[] = "0123456789ABCDEF";
  for (char c : raw) {
    if (c == ' ') {
      form.data.push_back('+');
    } else if (FormSafe(c)) {
      form.data.push_back(c);
    } else {
      const auto b = static_cast<unsigned char>(c);
      form.data += {'%', kHex[b >> 4], kHex[b & 15]};
    }
  }
  return form;
}

}  // namespace plumo
