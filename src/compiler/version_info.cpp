#include "compiler/version_info.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace plumo {
namespace {

constexpr uint32_t kFixedSignature = 0xFEEF04BD;
constexpr size_t kFixedInfoSize = 52;
// The room of a string value less this many characters is what a new text may fill.
constexpr size_t kReservedChars = 4;

uint16_t Get16(const std::string& b, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | (static_cast<uint8_t>(b[at + 1]) << 8));
}
uint32_t Get32(const std::string& b, size_t at) { return Get16(b, at) | (uint32_t{Get16(b, at + 2)} << 16); }
void Put16(std::string& b, size_t at, uint16_t v) {
  b[at] = static_cast<char>(v & 0xFF);
  b[at + 1] = static_cast<char>(v >> 8);
}
void Put32(std::string& b, size_t at, uint32_t v) {
  Put16(b, at, static_cast<uint16_t>(v));
  Put16(b, at + 2, static_cast<uint16_t>(v >> 16));
}
size_t Align4(size_t n) { return (n + 3) & ~size_t{3}; }

// One node of the tree: where it starts and ends, its key, where its value and children lie.
struct Node {
  size_t begin, end;
  std::string key;  // ASCII keys only
  uint16_t valueLength, type;
  size_t value, children;
};

std::optional<Node> ReadNode(const std::string& b, size_t at, size_t limit) {
  if (at + 6 > limit) return std::nullopt;
  Node n;
  n.begin = at;
  const uint16_t length = Get16(b, at);
  n.valueLength = Get16(b, at + 2);
  n.type = Get16(b, at + 4);
  if (length < 6 || at + length > limit) return std::nullopt;
  n.end = at + length;
  size_t p = at + 6;
  for (;; p += 2) {
    if (p + 2 > n.end) return std::nullopt;
    const uint16_t c = Get16(b, p);
    if (c == 0) break;
    n.key.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  }
  n.value = Align4(p + 2);
  // Text values count characters, binary ones bytes.
  const size_t valueBytes = n.type == 1 ? size_t{n.valueLength} * 2 : n.valueLength;
  if (n.value + valueBytes > n.end) {
    if (valueBytes != 0) return std::nullopt;
    n.value = n.end;
  }
  n.children = std::min(Align4(n.value + valueBytes), n.end);
  return n;
}

std::vector<Node> Children(const std::string& b, const Node& parent) {
  std::vector<Node> out;
  for (size_t p = parent.children; p < parent.end;) {
    std::optional<Node> n = ReadNode(b, p, parent.end);
    if (!n) break;
    out.push_back(*n);
    p = Align4(n->end);
  }
  return out;
}

void OverwriteText(std::string& b, const Node& string, std::string_view text) {
  if (string.type != 1 || string.valueLength <= kReservedChars) return;
  const size_t room = string.valueLength - kReservedChars;
  for (size_t i = 0; i < string.valueLength; ++i)
    Put16(b, string.value + 2 * i, i < text.size() && i < room ? static_cast<uint8_t>(text[i]) : 0);
}

// A string value's UTF-16 text as ANSI: characters above 255 become '?'.
std::string TextOf(const std::string& b, const Node& string) {
  std::string out;
  if (string.type != 1) return out;
  for (size_t i = 0; i < string.valueLength; ++i) {
    const uint16_t c = Get16(b, string.value + 2 * i);
    if (c == 0) break;
    out.push_back(c < 0x100 ? static_cast<char>(c) : '?');
  }
  return out;
}

// The fixed part of a well-formed block's root; nullopt otherwise.
std::optional<Node> FixedRoot(const std::string& block) {
  std::optional<Node> root = ReadNode(block, 0, block.size());
  if (!root || root->key != "VS_VERSION_INFO" || root->valueLength < kFixedInfoSize ||
      Get32(block, root->value) != kFixedSignature)
    return std::nullopt;
  return root;
}

}  // namespace

std::optional<VersionFacts> ReadVersionInfo(const std::string& block) {
  std::optional<Node> root = FixedRoot(block);
  if (!root) return std::nullopt;
  VersionFacts facts;
  const uint32_t ms = Get32(block, root->value + 8), ls = Get32(block, root->value + 12);
  facts.numbers = {static_cast<uint16_t>(ms >> 16), static_cast<uint16_t>(ms), static_cast<uint16_t>(ls >> 16),
                   static_cast<uint16_t>(ls)};
  for (const Node& info : Children(block, *root)) {
    if (info.key != "StringFileInfo") continue;
    const std::vector<Node> tables = Children(block, info);
    if (tables.empty()) break;
    for (const Node& string : Children(block, tables.front())) facts.strings.emplace_back(string.key, TextOf(block, string));
    break;
  }
  return facts;
}

bool PatchVersionInfo(std::string& block, const VersionPatch& patch, uint16_t* language) {
  *language = 0;
  std::optional<Node> root = FixedRoot(block);
  if (!root) return false;
  std::string patched = block;
  const uint32_t ms = (uint32_t{patch.numbers[0]} << 16) | patch.numbers[1];
  const uint32_t ls = (uint32_t{patch.numbers[2]} << 16) | patch.numbers[3];
  Put32(patched, root->value + 8, ms);   // file version
  Put32(patched, root->value + 12, ls);
  Put32(patched, root->value + 16, ms);  // product version
  Put32(patched, root->value + 20, ls);
  for (const Node& info : Children(block, *root)) {
    if (info.key == "StringFileInfo") {
      for (const Node& table : Children(block, info))
        for (const Node& string : Children(block, table)) {
          if (string.key == "Copyright" && !patch.copyright.empty()) OverwriteText(patched, string, patch.copyright);
          if (string.key == "Description" && !patch.description.empty())
            OverwriteText(patched, string, patch.description);
        }
    } else if (info.key == "VarFileInfo") {
      for (const Node& var : Children(block, info))
        if (var.key == "Translation" && var.valueLength >= 2) *language = Get16(block, var.value);
    }
  }
  block = std::move(patched);
  return true;
}

}  // namespace plumo
