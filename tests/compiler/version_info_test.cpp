#include "compiler/version_info.h"

#include <gtest/gtest.h>

#include <vector>

#include "sample_version_block.h"

namespace plumo {
namespace {

using namespace sample;

uint32_t ReadLe32(const std::string& b, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(b[at + i]);
  return v;
}
std::string Narrow(const std::string& b, size_t at, size_t chars) {
  std::string s;
  for (size_t i = 0; i < chars && b[at + 2 * i]; ++i) s.push_back(b[at + 2 * i]);
  return s;
}
size_t ValueOf(const std::string& b, const char* key) {
  const std::string w = Wide(key, std::string_view(key).size() + 1);
  size_t at = b.find(w);
  return (at + w.size() + 3) & ~size_t{3};
}

TEST(PatchVersionInfo, SetsNumbersAndOverwritesTextsWithinTheirRoom) {
  std::string block = SampleBlock();
  const size_t size = block.size();
  uint16_t language = 0;
  VersionPatch patch{{2, 5, 1, 0}, "(c) 2026 A very long company name indeed", ""};
  ASSERT_TRUE(PatchVersionInfo(block, patch, &language));
  EXPECT_EQ(block.size(), size);
  EXPECT_EQ(language, 0x0407);
  const size_t fixed = ValueOf(block, "VS_VERSION_INFO");
  EXPECT_EQ(ReadLe32(block, fixed + 8), (2u << 16) | 5u);
  EXPECT_EQ(ReadLe32(block, fixed + 12), 1u << 16);
  EXPECT_EQ(ReadLe32(block, fixed + 16), (2u << 16) | 5u);
  EXPECT_EQ(ReadLe32(block, fixed + 20), 1u << 16);
  EXPECT_EQ(Narrow(block, ValueOf(block, "Copyright"), 30), "(c) 2026 A very long compa");  // 30 less 4
  EXPECT_EQ(Narrow(block, ValueOf(block, "Description"), 20), "Plumo runtime");
  EXPECT_EQ(Narrow(block, ValueOf(block, "LegalCopyright"), 10), "(C) Plumo");
}

TEST(PatchVersionInfo, ShortTextsClearTheRestOfTheOldOne) {
  std::string block = SampleBlock();
  uint16_t language = 0;
  ASSERT_TRUE(PatchVersionInfo(block, {{1, 0, 0, 0}, "", "Demo"}, &language));
  EXPECT_EQ(Narrow(block, ValueOf(block, "Description"), 20), "Demo");
  EXPECT_EQ(Narrow(block, ValueOf(block, "Copyright"), 30), "Copyright (C) 2010 Plumo");
}

TEST(PatchVersionInfo, RefusesMalformedBlocksAndLeavesThemAlone) {
  const std::string good = SampleBlock();
  std::string wrongSignature = good;
  wrongSignature[ValueOf(good, "VS_VERSION_INFO")] = 'X';
  std::string tooLong = good;
  tooLong[0] = static_cast<char>(0xFF), tooLong[1] = static_cast<char>(0x7F);
  for (std::string block : {wrongSignature, tooLong, std::string(), std::string("\x06\x00", 2)}) {
    const std::string before = block;
    uint16_t language = 1;
    EXPECT_FALSE(PatchVersionInfo(block, {{1, 2, 3, 4}, "x", "y"}, &language));
    EXPECT_EQ(block, before);
  }
  // Every cut and every changed length byte is survived.
  for (size_t n = 0; n < good.size(); ++n) {
    std::string cut = good.substr(0, n);
    uint16_t language = 0;
    PatchVersionInfo(cut, {{1, 2, 3, 4}, "x", "y"}, &language);
    std::string odd = good;
    odd[n] = static_cast<char>(odd[n] ^ 0x5A);
    PatchVersionInfo(odd, {{1, 2, 3, 4}, "x", "y"}, &language);
  }
}

}  // namespace
}  // namespace plumo

namespace plumo {
namespace {

TEST(ReadVersionInfo, GivesTheNumbersAndTheFirstTablesStrings) {
  std::string block = sample::SampleBlock();
  uint16_t language = 0;
  ASSERT_TRUE(PatchVersionInfo(block, {{3, 1, 4, 15}, "", ""}, &language));
  std::optional<VersionFacts> facts = ReadVersionInfo(block);
  ASSERT_TRUE(facts);
  EXPECT_EQ(facts->numbers, (std::array<uint16_t, 4>{3, 1, 4, 15}));
  using Strings = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(facts->strings, (Strings{{"Description", "Plumo runtime"},
                                     {"Copyright", "Copyright (C) 2010 Plumo"},
                                     {"LegalCopyright", "(C) Plumo"}}));
  EXPECT_FALSE(ReadVersionInfo(block.substr(0, 40)));
}

}  // namespace
}  // namespace plumo
