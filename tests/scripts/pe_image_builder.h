// A minimal 32-bit Windows program image holding data resources, built in memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace plumo::test {

struct TestResource {
  uint32_t type;
  uint32_t id;
  std::string bytes;
};

inline void Put32(std::string& s, size_t at, uint32_t v) {
  for (int k = 0; k < 4; ++k) s[at + k] = static_cast<char>(v >> (8 * k));
}
inline void Put16(std::string& s, size_t at, uint16_t v) {
  s[at] = static_cast<char>(v);
  s[at + 1] = static_cast<char>(v >> 8);
}

// One ".rsrc" section at virtual address 0x1000, file offset 0x200: a directory per type, one
// per id, one language each. Resources of one type must be given together.
inline std::string ProgramWithResources(const std::vector<TestResource>& resources) {
  constexpr uint32_t kVa = 0x1000, kRaw = 0x200;
  // The resource section.
  std::vector<uint32_t> types;
  for (const auto& r : resources)
    if (types.empty() || types.back() != r.type) types.push_back(r.type);
  std::string sec(16 + 8 * types.size(), '\0');
  Put16(sec, 14, static_cast<uint16_t>(types.size()));
  std::vector<size_t> dataEntries;  // where each resource's data entry sits, to fill later
  for (size_t t = 0; t < types.size(); ++t) {
    std::vector<const TestResource*> ofType;
    for (const auto& r : resources)
      if (r.type == types[t]) ofType.push_back(&r);
    const size_t typeDir = sec.size();
    Put32(sec, 16 + 8 * t, types[t]);
    Put32(sec, 16 + 8 * t + 4, 0x80000000u | static_cast<uint32_t>(typeDir));
    sec.resize(typeDir + 16 + 8 * ofType.size());
    Put16(sec, typeDir + 14, static_cast<uint16_t>(ofType.size()));
    for (size_t i = 0; i < ofType.size(); ++i) {
      const size_t langDir = sec.size();
      Put32(sec, typeDir + 16 + 8 * i, ofType[i]->id);
      Put32(sec, typeDir + 16 + 8 * i + 4, 0x80000000u | static_cast<uint32_t>(langDir));
      sec.resize(langDir + 16 + 8 + 16);
      Put16(sec, langDir + 14, 1);
      Put32(sec, langDir + 16, 1033);
      Put32(sec, langDir + 20, static_cast<uint32_t>(langDir + 24));
      dataEntries.push_back(langDir + 24);
    }
  }
  size_t k = 0;
  for (size_t t = 0; t < types.size(); ++t) {
    for (const auto& r : resources) {
      if (r.type != types[t]) continue;
      const size_t at = sec.size();
      sec += r.bytes;
      Put32(sec, dataEntries[k], kVa + static_cast<uint32_t>(at));
      Put32(sec, dataEntries[k] + 4, static_cast<uint32_t>(r.bytes.size()));
      ++k;
    }
  }
  // Headers: DOS stub, PE signature, file header, optional header with 16 directories, section.
  std::string image(kRaw, '\0');
  image[0] = 'M';
  image[1] = 'Z';
  Put32(image, 0x3C, 0x40);
  image.replace(0x40, 4, std::string("PE\0\0", 4));
  const size_t coff = 0x44, optional = coff + 20;
  Put16(image, coff, 0x14C);
  Put16(image, coff + 2, 1);
  Put16(image, coff + 16, 224);
  Put16(image, optional, 0x10B);
  Put32(image, optional + 92, 16);
  Put32(image, optional + 96 + 16, kVa);
  Put32(image, optional + 96 + 20, static_cast<uint32_t>(sec.size()));
  const size_t section = optional + 224;
  image.replace(section, 5, ".rsrc");
  Put32(image, section + 8, static_cast<uint32_t>(sec.size()));
  Put32(image, section + 12, kVa);
  Put32(image, section + 16, static_cast<uint32_t>(sec.size()));
  Put32(image, section + 20, kRaw);
  return image + sec;
}

}  // namespace plumo::test
