#include "scripts/markup.h"

#include <array>
#include <limits>

#include "base/text.h"

namespace plumo {
namespace {

struct Entity {
  std::string_view name;
  char c;
};
constexpr std::array<Entity, 14> kEntities = {{
    {"&amp;", '&'},  {"&#038;", '&'}, {"&lt;", '<'},    {"&#060;", '<'},  {"&#60;", '<'},
    {"&gt;", '>'},   {"&#062;", '>'}, {"&#62;", '>'},   {"&apos;", '\''}, {"&#039;", '\''},
    {"&#39;", '\''}, {"&quot;", '"'}, {"&#034;", '"'},  {"&#34;", '"'},
}};
constexpr size_t kLongestEntity = 6;

template <bool Quote>
void AppendEscapedImpl(std::string& out, std::string_view s) {
  size_t from = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    const char* rep = c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : (Quote && c == '"') ? "&quot;" : nullptr;
    if (!rep) continue;
    out.append(s, from, i - from);
    out += rep;
    from = i + 1;
  }
  out.append(s, from, std::string_view::npos);
}

// Decodes s, stopping once limit characters are out.
std::string Decode(std::string_view s, size_t limit) {
  if (s.find('&') == std::string_view::npos) return std::string(s.substr(0, limit));
  std::string out;
  out.reserve(std::min(s.size(), limit));
  size_t i = 0;
  while (i < s.size() && out.size() < limit) {
    if (s[i] != '&') {
      const size_t next = std::min(s.find('&', i), s.size());
      out.append(s, i, std::min(next - i, limit - out.size()));
      i = next;
      continue;
    }
    size_t used = 1;
    char c = '&';
    for (const Entity& en : kEntities) {
      if (StartsWithNoCase(s.substr(i), en.name)) {
        used = en.name.size();
        c = en.c;
        break;
      }
    }
    out.push_back(c);
    i += used;
  }
  return out;
}

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

void AppendEscaped(std::string& out, std::string_view s) { AppendEscapedImpl<false>(out, s); }
void AppendEscapedAttribute(std::string& out, std::string_view s) { AppendEscapedImpl<true>(out, s); }

std::string Unescape(std::string_view s) { return Decode(s, std::string::npos); }

std::string UnescapeBounded(std::string_view s, size_t width) {
  const size_t keep = width == 0 ? 0 : width - 1;
  return Decode(s.substr(0, keep * kLongestEntity), keep);
}

Tag FindTag(const Element& e, std::string_view name) {
  std::string open = "<";
  open += name;
  std::string close = "</";
  close += name;
  close += '>';
  return TagAt(e, e.lower.find(open), e.lower.find(close));
}

Tag TagAt(const Element& e, size_t open, size_t close) {
  Tag tag;
  if (open == std::string_view::npos) return tag;
  const size_t gt = e.lower.substr(0, std::min(e.lower.size(), open + kMaxStartTag)).find('>', open);
  if (gt == std::string_view::npos) return tag;
  const size_t begin = gt + 1;
  const size_t end = close == std::string_view::npos ? e.text.size() : close;
  tag.found = true;
  tag.start = e.text.substr(open, gt - open);
  tag.content = end > begin ? e.text.substr(begin, end - begin) : std::string_view();
  return tag;
}

std::string_view FindAttribute(std::string_view startTag, std::string_view name) {
  bool quoted = false;
  for (size_t i = 1; i < startTag.size(); ++i) {
    if (startTag[i] == '"') {
      quoted = !quoted;
      continue;
    }
    if (quoted || !Blank(startTag[i - 1]) || !StartsWithNoCase(startTag.substr(i), name)) continue;
    const size_t begin = i + name.size() + 2;
    if (begin > startTag.size()) return {};
    const size_t end = std::min(startTag.find('"', begin), startTag.size());
    return startTag.substr(begin, end - begin);
  }
  return {};
}

int32_t FirstNumber(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && (s[i] < '0' || s[i] > '9')) ++i;
  if (i == s.size()) return 0;
  const bool negative = i > 0 && s[i - 1] == '-';
  int64_t v = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i)
    v = std::min<int64_t>(v * 10 + (s[i] - '0'), int64_t{std::numeric_limits<int32_t>::max()} + 1);
  if (negative) return static_cast<int32_t>(-v);
  return static_cast<int32_t>(std::min<int64_t>(v, std::numeric_limits<int32_t>::max()));
}

uint32_t HexNumber(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && Blank(s[i])) ++i;
  if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) i += 2;
  uint64_t v = 0;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    if (d < 0) break;
    v = std::min<uint64_t>(v * 16 + static_cast<uint64_t>(d), 0xFFFFFFFFu);
  }
  return static_cast<uint32_t>(v);
}

}  // namespace plumo
