#include "scripts/pe_resources.h"

#include <gtest/gtest.h>

#include "scripts/pe_image_builder.h"

namespace plumo {
namespace {

TEST(PeResources, FindsADataResourceByTypeAndId) {
  const std::string image = test::ProgramWithResources({{10, 9001, "catalogue"}, {10, 9002, "the script"}, {3, 9002, "icon"}});
  EXPECT_EQ(FindPeResource(image, kRcDataType, kCompiledScriptResource), "the script");
  EXPECT_EQ(FindPeResource(image, kRcDataType, 9001), "catalogue");
  EXPECT_EQ(FindPeResource(image, 3, 9002), "icon");
  EXPECT_EQ(FindPeResource(image, kRcDataType, 9003), std::nullopt);
  EXPECT_EQ(FindPeResource(image, 6, 9002), std::nullopt);
}

TEST(PeResources, NotAProgramNoResource) {
  EXPECT_EQ(FindPeResource("", 10, 9002), std::nullopt);
  EXPECT_EQ(FindPeResource("MZ", 10, 9002), std::nullopt);
  EXPECT_EQ(FindPeResource("<Plumo>", 10, 9002), std::nullopt);
  EXPECT_EQ(FindPeResource(test::ProgramWithResources({}), 10, 9002), std::nullopt);
}

// Every prefix of a good image, and every byte of its headers and directories set to each of
// a few telling values, must give the resource or nothing, and read nothing outside.
TEST(PeResources, DamagedImagesGiveNothingAndReadNothingOutside) {
  const std::string good = test::ProgramWithResources({{10, 9002, "the script"}});
  for (size_t n = 0; n < good.size(); ++n) {
    const std::string cut = good.substr(0, n);
    const auto found = FindPeResource(cut, 10, 9002);
    if (found) {
      EXPECT_EQ(*found, "the script");
      EXPECT_GE(found->data(), cut.data());
      EXPECT_LE(found->data() + found->size(), cut.data() + cut.size());
    }
  }
  const unsigned char values[] = {0x00, 0x01, 0x7F, 0x80, 0xFF};
  for (size_t at = 0; at < good.size() - 10; ++at) {
    for (unsigned char v : values) {
      std::string bad = good;
      bad[at] = static_cast<char>(v);
      const auto found = FindPeResource(bad, 10, 9002);
      if (found) {
        EXPECT_GE(found->data(), bad.data());
        EXPECT_LE(found->data() + found->size(), bad.data() + bad.size());
      }
    }
  }
}

}  // namespace
}  // namespace plumo
