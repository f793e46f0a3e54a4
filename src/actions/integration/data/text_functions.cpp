#include "actions/integration/data/text_functions.h"

#include <algorithm>

#include "base/text.h"

namespace plumo {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr int kPrintableFirst = 32;
constexpr int kPrintableCount = 95;  // 32 to 126
constexpr unsigned char kEmptyKeyByte = 0x5A;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// 1 to 94: every printable character moves.
int ShiftAt(std::string_view key, size_t i) {
  if (key.empty()) return 1;
  return static_cast<unsigned char>(key[i % key.size()]) % (kPrintableCount - 1) + 1;
}

unsigned char KeyByte(std::string_view key, size_t i) {
  return key.empty() ? kEmptyKeyByte : static_cast<unsigned char>(key[i % key.size()]);
}

unsigned char RotateLeft(unsigned char b, int n) { return static_cast<unsigned char>((b << n) | (b >> (8 - n))); }
unsigned char RotateRight(unsigned char b, int n) { return static_cast<unsigned char>((b >> n) | (b << (8 - n))); }
int RotationAt(size_t i) { return 1 + static_cast<int>(i % 7); }

std::vector<std::string_view> Split(std::string_view text, std::string_view delimiter) {
  std::vector<std::string_view> items;
  const bool lines = delimiter.empty();
  const std::string_view cut = lines ? std::string_view("\n") : delimiter;
  for (size_t begin = 0;;) {
    size_t end = text.find(cut, begin);
    std::string_view item = text.substr(begin, end == std::string_view::npos ? std::string_view::npos : end - begin);
    if (lines && !item.empty() && item.back() == '\r') item.remove_suffix(1);
    items.push_back(item);
    if (end == std::string_view::npos) break;
    begin = end + cut.size();
  }
  return items;
}

struct SortWord {
  std::string_view word;
  SortType type;
};
// Longer words first where one holds another.
constexpr SortWord kSortWords[] = {
    {"Characters Z-A", SortType::kCharactersDown}, {"Characters A-Z", SortType::kCharactersUp},
    {"Descending", SortType::kDescending},         {"Shortest", SortType::kShortest},
    {"Longest", SortType::kLongest},               {"Ascending", SortType::kAscending},
};

struct ChopWord {
  std::string_view word;
  ChopMethod method;
};
constexpr ChopWord kChopWords[] = {
    {"Chop Before and Including", ChopMethod::kBeforeAndIncluding},
    {"Chop After and Including", ChopMethod::kAfterAndIncluding},
    {"Chop Before", ChopMethod::kBefore},
    {"Chop After", ChopMethod::kAfter},
    {"First Character", ChopMethod::kFirstCharacter},
    {"Last Character", ChopMethod::kLastCharacter},
};

std::string Span(char from, char to) {
  std::string s;
  for (char c = from; c <= to; ++c) s.push_back(c);
  return s;
}

}  // namespace

SortType SortTypeOf(std::string_view options) {
  for (const SortWord& w : kSortWords)
    if (ContainsNoCase(options, w.word)) return w.type;
  return SortType::kAscending;
}

std::string SortItems(std::string_view text, std::string_view delimiter, SortType type, bool caseSensitive,
                      std::string_view joiner) {
  std::vector<std::string_view> items = Split(text, delimiter);
  const bool trailing = items.size() > 1 && items.back().empty();
  if (trailing) items.pop_back();
  auto less = [caseSensitive](std::string_view a, std::string_view b) {
    return caseSensitive ? a < b : CompareNoCase(a, b) < 0;
  };
  std::vector<std::string> sortedCharacters;
  switch (type) {
    case SortType::kAscending: std::stable_sort(items.begin(), items.end(), less); break;
    case SortType::kDescending:
      std::stable_sort(items.begin(), items.end(), [&](std::string_view a, std::string_view b) { return less(b, a); });
      break;
    case SortType::kShortest:
      std::stable_sort(items.begin(), items.end(), [](std::string_view a, std::string_view b) { return a.size() < b.size(); });
      break;
    case SortType::kLongest:
      std::stable_sort(items.begin(), items.end(), [](std::string_view a, std::string_view b) { return a.size() > b.size(); });
      break;
    case SortType::kCharactersUp:
    case SortType::kCharactersDown:
      // The characters of each item, the items where they were.
      sortedCharacters.reserve(items.size());
      for (std::string_view& item : items) {
        std::string s(item);
        std::stable_sort(s.begin(), s.end(), [&](char a, char b) {
          const std::string_view x(&a, 1), y(&b, 1);
          return type == SortType::kCharactersUp ? less(x, y) : less(y, x);
        });
        sortedCharacters.push_back(std::move(s));
        item = sortedCharacters.back();
      }
      break;
  }
  std::string out;
  size_t total = 0;
  for (std::string_view item : items) total += item.size() + joiner.size();
  out.reserve(total);
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out.append(joiner);
    out.append(items[i]);
  }
  if (trailing) out.append(joiner);
  return out;
}

std::string AsciiShift(std::string_view text, std::string_view key, bool decrypt) {
  std::string out(text);
  for (size_t i = 0; i < out.size(); ++i) {
    const int c = static_cast<unsigned char>(out[i]);
    if (c < kPrintableFirst || c >= kPrintableFirst + kPrintableCount) continue;
    const int shift = decrypt ? kPrintableCount - ShiftAt(key, i) : ShiftAt(key, i);
    out[i] = static_cast<char>(kPrintableFirst + (c - kPrintableFirst + shift) % kPrintableCount);
  }
  return out;
}

std::string BitShiftEncrypt(std::string_view text, std::string_view key) {
  std::string mixed;
  mixed.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i)
    mixed.push_back(static_cast<char>(RotateLeft(static_cast<unsigned char>(text[i]) ^ KeyByte(key, i), RotationAt(i))));
  return ToHex(mixed);
}

std::optional<std::string> BitShiftDecrypt(std::string_view hex, std::string_view key) {
  if (hex.size() % 2 != 0) return std::nullopt;
  std::string out;
  out.reserve(hex.size() / 2);
  for (size_t i = 0; i < hex.size(); i += 2) {
    const int hi = HexValue(hex[i]), lo = HexValue(hex[i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    const size_t n = i / 2;
    out.push_back(static_cast<char>(RotateRight(static_cast<unsigned char>(hi * 16 + lo), RotationAt(n)) ^ KeyByte(key, n)));
  }
  return out;
}

std::string ToEscapes(std::string_view bytes) {
  std::string out;
  for (char c : bytes) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 32 && u <= 126 && c != '{' && c != '}' && c != '\\') {
      out.push_back(c);
    } else {
      out += "{\\";
      out.push_back(kHexDigits[u >> 4]);
      out.push_back(kHexDigits[u & 15]);
      out.push_back('}');
    }
  }
  return out;
}

std::string ToHex(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (char c : bytes) {
    const auto u = static_cast<unsigned char>(c);
    out.push_back(kHexDigits[u >> 4]);
    out.push_back(kHexDigits[u & 15]);
  }
  return out;
}

std::string ToPrintable(std::string_view bytes) {
  std::string out;
  for (char c : bytes) {
    const auto u = static_cast<unsigned char>(c);
    if ((u >= 32 && u <= 126) || c == '\t' || c == '\r' || c == '\n') out.push_back(c);
  }
  return out;
}

std::vector<std::string> SplitItems(std::string_view text, std::string_view delimiter, bool quotes) {
  std::vector<std::string> items;
  if (delimiter.empty()) {
    items.emplace_back(text);
    return items;
  }
  std::string item;
  bool quoted = false;
  for (size_t i = 0; i < text.size();) {
    if (quotes && text[i] == '"') {
      if (quoted && i + 1 < text.size() && text[i + 1] == '"') {
        item.push_back('"');
        i += 2;
      } else {
        quoted = !quoted;
        ++i;
      }
      continue;
    }
    if (!quoted && text.compare(i, delimiter.size(), delimiter) == 0) {
      items.push_back(std::move(item));
      item.clear();
      i += delimiter.size();
      continue;
    }
    item.push_back(text[i++]);
  }
  items.push_back(std::move(item));
  return items;
}

std::optional<ChopMethod> ChopMethodOf(std::string_view words) {
  for (const ChopWord& w : kChopWords)
    if (ContainsNoCase(words, w.word)) return w.method;
  return std::nullopt;
}

std::string Chop(std::string_view text, std::string_view marker, ChopMethod method, size_t count) {
  count = std::max<size_t>(count, 1);
  switch (method) {
    case ChopMethod::kFirstCharacter: return std::string(text.substr(std::min(count, text.size())));
    case ChopMethod::kLastCharacter: return std::string(text.substr(0, text.size() - std::min(count, text.size())));
    default: break;
  }
  const size_t at = marker.empty() ? std::string_view::npos : text.find(marker);
  if (at == std::string_view::npos) return std::string(text);
  switch (method) {
    case ChopMethod::kBefore: return std::string(text.substr(at));
    case ChopMethod::kBeforeAndIncluding: return std::string(text.substr(at + marker.size()));
    case ChopMethod::kAfter: return std::string(text.substr(0, at + marker.size()));
    default: return std::string(text.substr(0, at));
  }
}

size_t FindText(std::string_view text, std::string_view needle, size_t from, bool caseSensitive) {
  return caseSensitive ? text.find(needle, from) : FindNoCase(text, needle, from);
}

size_t CountOccurrences(std::string_view text, std::string_view needle, bool caseSensitive) {
  if (needle.empty()) return 0;
  size_t n = 0;
  for (size_t at = FindText(text, needle, 0, caseSensitive); at != std::string_view::npos;
       at = FindText(text, needle, at + needle.size(), caseSensitive))
    ++n;
  return n;
}

size_t ReplaceText(std::string& text, std::string_view needle, std::string_view with, bool firstOnly,
                   bool caseSensitive) {
  if (needle.empty()) return 0;
  std::string out;
  size_t n = 0, begin = 0;
  for (size_t at = FindText(text, needle, 0, caseSensitive); at != std::string_view::npos;
       at = FindText(text, needle, begin, caseSensitive)) {
    out.append(text, begin, at - begin);
    out.append(with);
    begin = at + needle.size();
    ++n;
    if (firstOnly) break;
  }
  if (n == 0) return 0;
  out.append(text, begin, std::string::npos);
  text = std::move(out);
  return n;
}

std::optional<std::string> CharacterRange(std::string_view word) {
  const std::string lower = Span('a', 'z'), upper = Span('A', 'Z'), digits = Span('0', '9');
  const std::pair<std::string_view, std::string> ranges[] = {
      {"a-z", lower},
      {"A-Z", upper},
      {"a-z, A-Z", lower + upper},
      {"a-z, A-Z, 0-9", lower + upper + digits},
      {"a-z, A-Z, 0-9, \\r\\n", lower + upper + digits + "\r\n"},
      {"0-9", digits},
      {"(any)", Span('!', '~')},
  };
  word = Trim(word);
  // Case tells "a-z" from "A-Z".
  for (const auto& [name, characters] : ranges)
    if (word == name) return characters;
  return std::nullopt;
}

std::string RandomText(size_t length, std::string_view characters, std::mt19937& random) {
  std::string out;
  if (characters.empty()) return out;
  std::uniform_int_distribution<size_t> pick(0, characters.size() - 1);
  out.reserve(length);
  for (size_t i = 0; i < length; ++i) out.push_back(characters[pick(random)]);
  return out;
}

}  // namespace plumo
