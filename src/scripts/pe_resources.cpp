#include "scripts/pe_resources.h"

#include <algorithm>

namespace plumo {
namespace {

constexpr uint32_t kSubdirectory = 0x80000000u;
constexpr uint32_t kResourceDirectoryIndex = 2;

class Reader {
 public:
  explicit Reader(std::string_view bytes) : b_(bytes) {}

  bool Has(uint64_t offset, uint64_t size) const { return offset <= b_.size() && size <= b_.size() - offset; }
  std::optional<uint32_t> U32(uint64_t offset) const {
    if (!Has(offset, 4)) return std::nullopt;
    const auto* p = reinterpret_cast<const unsigned char*>(b_.data() + offset);
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
  }
  std::optional<uint16_t> U16(uint64_t offset) const {
    if (!Has(offset, 2)) return std::nullopt;
    const auto* p = reinterpret_cast<const unsigned char*>(b_.data() + offset);
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
  }
  std::string_view Bytes(uint64_t offset, uint64_t size) const {
    return b_.substr(static_cast<size_t>(offset), static_cast<size_t>(size));
  }

 private:
  std::string_view b_;
};

struct Section {
  uint32_t virtualAddress, virtualSize, rawSize, rawOffset;
};

class Image {
 public:
  explicit Image(std::string_view bytes) : r_(bytes) {}

  bool Parse() {
    if (!r_.Has(0, 2) || r_.Bytes(0, 2) != "MZ") return false;
    const auto peOffset = r_.U32(0x3C);
    if (!peOffset || !r_.Has(*peOffset, 24) || r_.Bytes(*peOffset, 4) != std::string_view("PE\0\0", 4)) return false;
    const uint64_t coff = *peOffset + 4;
    const auto sections = r_.U16(coff + 2);
    const auto optionalSize = r_.U16(coff + 16);
    if (!sections || !optionalSize) return false;
    const uint64_t optional = coff + 20;
    const auto magic = r_.U16(optional);
    if (!magic) return false;
    uint64_t countAt = 0;
    if (*magic == 0x10B) countAt = 92;
    else if (*magic == 0x20B) countAt = 108;
    else return false;
    const auto directories = r_.U32(optional + countAt);
    if (!directories || *directories <= kResourceDirectoryIndex) return false;
    const uint64_t entry = optional + countAt + 4 + 8 * kResourceDirectoryIndex;
    if (entry + 8 > optional + *optionalSize) return false;
    const auto rva = r_.U32(entry);
    if (!rva || *rva == 0) return false;
    sectionTable_ = optional + *optionalSize;
    sectionCount_ = *sections;
    if (!r_.Has(sectionTable_, uint64_t{40} * sectionCount_)) return false;
    const auto root = FileOffset(*rva);
    if (!root) return false;
    resourceRoot_ = *root;
    return true;
  }

  std::optional<std::string_view> Find(uint32_t type, uint32_t id) const {
    auto level = Child(resourceRoot_, type, true);
    if (!level) return std::nullopt;
    level = Child(*level, id, true);
    if (!level) return std::nullopt;
    const auto dataEntry = FirstChild(*level);
    if (!dataEntry) return std::nullopt;
    const auto rva = r_.U32(*dataEntry);
    const auto size = r_.U32(*dataEntry + 4);
    if (!rva || !size) return std::nullopt;
    const auto offset = FileOffset(*rva);
    if (!offset || !r_.Has(*offset, *size)) return std::nullopt;
    return r_.Bytes(*offset, *size);
  }

 private:
  std::optional<uint64_t> FileOffset(uint32_t rva) const {
    for (uint32_t i = 0; i < sectionCount_; ++i) {
      const uint64_t at = sectionTable_ + uint64_t{40} * i;
      const Section s{*r_.U32(at + 12), *r_.U32(at + 8), *r_.U32(at + 16), *r_.U32(at + 20)};
      const uint64_t span = std::max(s.virtualSize, s.rawSize);
      if (rva < s.virtualAddress || rva - s.virtualAddress >= span) continue;
      const uint64_t into = rva - s.virtualAddress;
      if (into >= s.rawSize) return std::nullopt;
      const uint64_t offset = uint64_t{s.rawOffset} + into;
      if (!r_.Has(offset, 1)) return std::nullopt;
      return offset;
    }
    return std::nullopt;
  }

  // The entry of a directory with a numeric id: where it leads, inside the resource section.
  std::optional<uint64_t> Child(uint64_t directory, uint32_t id, bool wantDirectory) const {
    const auto named = r_.U16(directory + 12);
    const auto numbered = r_.U16(directory + 14);
    if (!named || !numbered) return std::nullopt;
    const uint64_t entries = directory + 16;
    for (uint32_t i = *named; i < uint32_t{*named} + *numbered; ++i) {
      const auto name = r_.U32(entries + uint64_t{8} * i);
      const auto target = r_.U32(entries + uint64_t{8} * i + 4);
      if (!name || !target) return std::nullopt;
      if (*name != id) continue;
      if (((*target & kSubdirectory) != 0) != wantDirectory) return std::nullopt;
      return Target(*target);
    }
    return std::nullopt;
  }

  // The first entry of the language level, which leads to the data entry.
  std::optional<uint64_t> FirstChild(uint64_t directory) const {
    const auto named = r_.U16(directory + 12);
    const auto numbered = r_.U16(directory + 14);
    if (!named || !numbered || *named + *numbered == 0) return std::nullopt;
    const auto target = r_.U32(directory + 16 + 4);
    if (!target || (*target & kSubdirectory)) return std::nullopt;
    return Target(*target);
  }

  std::optional<uint64_t> Target(uint32_t target) const {
    const uint64_t offset = resourceRoot_ + (target & ~kSubdirectory);
    if (!r_.Has(offset, 16)) return std::nullopt;
    return offset;
  }

  Reader r_;
  uint64_t sectionTable_ = 0;
  uint32_t sectionCount_ = 0;
  uint64_t resourceRoot_ = 0;
};

}  // namespace

std::optional<std::string_view> FindPeResource(std::string_view image, uint32_t type, uint32_t id) {
  Image pe(image);
  if (!pe.Parse()) return std::nullopt;
  return pe.Find(type, id);
}

}  // namespace plumo
