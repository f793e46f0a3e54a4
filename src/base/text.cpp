#include "base/text.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace plumo {
namespace {

struct CaseTables {
  std::array<unsigned char, 256> upper;
  std::array<unsigned char, 256> lower;
  constexpr CaseTables() : upper(), lower() {
    for (int c = 0; c < 256; ++c) {
      upper[c] = static_cast<unsigned char>(c);
      lower[c] = static_cast<unsigned char>(c);
    }
    for (int c = 'a'; c <= 'z'; ++c) {
      upper[c] = static_cast<unsigned char>(c - 32);
      lower[c - 32] = static_cast<unsigned char>(c);
    }
    // Windows-1252 Latin-1 letters: 0xE0-0xFE map to 0xC0-0xDE except 0xF7 (division sign).
    for (int c = 0xE0; c <= 0xFE; ++c) {
      if (c == 0xF7) continue;
      upper[c] = static_cast<unsigned char>(c - 32);
      lower[c - 32] = static_cast<unsigned char>(c);
    }
    // The pairs outside that block: S/Z caron, OE ligature, Y diaeresis.
    const int pairs[][2] = {{0x9A, 0x8A}, {0x9C, 0x8C}, {0x9E, 0x8E}, {0xFF, 0x9F}};
    for (const auto& p : pairs) {
      upper[p[0]] = static_cast<unsigned char>(p[1]);
      lower[p[1]] = static_cast<unsigned char>(p[0]);
    }
  }
};

constexpr CaseTables kCase;

inline unsigned char Up(char c) { return kCase.upper[static_cast<unsigned char>(c)]; }

constexpr uint64_t kOnes = 0x0101010101010101ull;
constexpr uint64_t kHighs = 0x8080808080808080ull;
static_assert(std::endian::native == std::endian::little, "the word tricks below count bytes from the low end");

uint64_t Word(const char* p) {
  uint64_t w;
  std::memcpy(&w, p, sizeof w);
  return w;
}

}  // namespace

char ToUpperAnsi(char c) { return static_cast<char>(Up(c)); }
char ToLowerAnsi(char c) { return static_cast<char>(kCase.lower[static_cast<unsigned char>(c)]); }

std::string ToUpperAnsi(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = ToUpperAnsi(c);
  return out;
}

std::string ToLowerAnsi(std::string_view s) {
  std::string out(s);
  char* p = out.data();
  const size_t n = out.size();
  size_t i = 0;
  // Eight ASCII bytes at a time: a byte gets 0x20 when it lies in 'A' to 'Z'.
  for (; i + 8 <= n; i += 8) {
    uint64_t w = Word(p + i);
    if (w & kHighs) {
      for (size_t k = i; k < i + 8; ++k) p[k] = ToLowerAnsi(p[k]);
      continue;
    }
    const uint64_t aboveZ = w + kOnes * (0x7F - 'Z');
    const uint64_t fromA = w + kOnes * (0x80 - 'A');
    w |= (fromA & ~aboveZ & kHighs) >> 2;
    std::memcpy(p + i, &w, sizeof w);
  }
  for (; i < n; ++i) p[i] = ToLowerAnsi(p[i]);
  return out;
}

size_t FindByte(std::string_view s, char c, size_t from) {
  const char* p = s.data();
  const size_t n = s.size();
  if (from >= n) return std::string_view::npos;
  const uint64_t pattern = kOnes * static_cast<unsigned char>(c);
  size_t i = from;
  for (; i + 8 <= n; i += 8) {
    const uint64_t x = Word(p + i) ^ pattern;
    // The lowest flagged byte is always a true match; only bytes above one can be flagged falsely.
    if (const uint64_t zero = (x - kOnes) & ~x & kHighs) return i + static_cast<size_t>(std::countr_zero(zero) / 8);
  }
  for (; i < n; ++i)
    if (p[i] == c) return i;
  return std::string_view::npos;
}

void AssignBounded(std::string& dst, std::string_view src, size_t width) {
  size_t keep = width == 0 ? 0 : width - 1;
  dst.assign(src.substr(0, keep));
}

std::string Bounded(std::string_view src, size_t width) {
  std::string s;
  AssignBounded(s, src, width);
  return s;
}

int CompareNoCase(std::string_view a, std::string_view b) {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = Up(a[i]), y = Up(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareNoCase(a, b) == 0;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && EqualsNoCase(s.substr(0, prefix.size()), prefix);
}

bool EndsWithNoCase(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && EqualsNoCase(s.substr(s.size() - suffix.size()), suffix);
}

size_t FindNoCase(std::string_view haystack, std::string_view needle, size_t from) {
  if (from > haystack.size()) return std::string_view::npos;
  if (needle.empty()) return from;
  if (needle.size() > haystack.size()) return std::string_view::npos;
  const unsigned char first = Up(needle[0]);
  const size_t last = haystack.size() - needle.size();
  for (size_t i = from; i <= last; ++i) {
    if (Up(haystack[i]) != first) continue;
    size_t k = 1;
    while (k < needle.size() && Up(haystack[i + k]) == Up(needle[k])) ++k;
    if (k == needle.size()) return i;
  }
  return std::string_view::npos;
}

bool ContainsNoCase(std::string_view haystack, std::string_view needle) {
  return FindNoCase(haystack, needle) != std::string_view::npos;
}

size_t ReplaceAllNoCase(std::string& text, std::string_view needle, std::string_view with, size_t from) {
  if (needle.empty()) return 0;
  size_t count = 0;
  while ((from = FindNoCase(text, needle, from)) != std::string::npos) {
    text.replace(from, needle.size(), with);
    from += with.size();
    ++count;
  }
  return count;
}

std::string_view Trim(std::string_view s) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  size_t b = 0, e = s.size();
  while (b < e && blank(s[b])) ++b;
  while (e > b && blank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool AllDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string InQuotes(std::string_view s) { return "\"" + std::string(s) + "\""; }

std::string_view FolderPart(std::string_view path) {
  const size_t cut = path.find_last_of("\\/");
  return cut == std::string_view::npos ? std::string_view() : path.substr(0, cut + 1);
}

std::string_view NamePart(std::string_view path) { return path.substr(FolderPart(path).size()); }

bool IsRootedPath(std::string_view path) {
  return !path.empty() && (path[0] == '\\' || path[0] == '/' || (path.size() > 1 && path[1] == ':'));
}

std::string Without(std::string_view s, char c) {
  std::string out;
  out.reserve(s.size());
  for (char x : s)
    if (x != c) out += x;
  return out;
}

}  // namespace plumo
