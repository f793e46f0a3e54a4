#include "compiler/icon_file.h"

#include <cstdint>

namespace plumo {
namespace {

constexpr size_t kHeaderSize = 6;   // reserved, type, count
constexpr size_t kEntrySize = 16;   // as in the file
constexpr size_t kGroupEntryKept = 12;  // the group keeps all but the file offset
constexpr uint16_t kIconType = 1;

uint32_t Le(std::string_view b, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(b[at + i]);
  return v;
}

}  // namespace

std::optional<IconResources> IconResourcesFromIco(std::string_view ico, unsigned firstId) {
  if (ico.size() < kHeaderSize || Le(ico, 0, 2) != 0 || Le(ico, 2, 2) != kIconType) return std::nullopt;
  const size_t count = Le(ico, 4, 2);
  if (count == 0 || kHeaderSize + count * kEntrySize > ico.size()) return std::nullopt;
  IconResources r;
  r.group.assign(ico.substr(0, kHeaderSize));
  for (size_t i = 0; i < count; ++i) {
    const size_t entry = kHeaderSize + i * kEntrySize;
    const uint64_t size = Le(ico, entry + 8, 4);
    const uint64_t offset = Le(ico, entry + 12, 4);
    if (size == 0 || offset + size > ico.size()) return std::nullopt;
    r.images.emplace_back(ico.substr(offset, size));
    r.group.append(ico.substr(entry, kGroupEntryKept));
    const unsigned id = firstId + static_cast<unsigned>(i);
    r.group.push_back(static_cast<char>(id & 0xFF));
    r.group.push_back(static_cast<char>((id >> 8) & 0xFF));
  }
  return r;
}

}  // namespace plumo
