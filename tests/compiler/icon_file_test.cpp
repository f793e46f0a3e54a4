#include "compiler/icon_file.h"

#include <gtest/gtest.h>

namespace plumo {
namespace {

void Put(std::string& b, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// Two images: 16x16 of 5 bytes and 32x32 of 3 bytes.
std::string SampleIco() {
  std::string ico;
  Put(ico, 0, 2), Put(ico, 1, 2), Put(ico, 2, 2);
  const uint32_t first = 6 + 2 * 16;
  ico += std::string("\x10\x10\x00\x00", 4), Put(ico, 1, 2), Put(ico, 32, 2), Put(ico, 5, 4), Put(ico, first, 4);
  ico += std::string("\x20\x20\x00\x00", 4), Put(ico, 1, 2), Put(ico, 32, 2), Put(ico, 3, 4), Put(ico, first + 5, 4);
  return ico + "AAAAABBB";
}

TEST(IconResourcesFromIco, GivesImagesAndAGroupNamingThem) {
  std::optional<IconResources> r = IconResourcesFromIco(SampleIco());
  ASSERT_TRUE(r);
  EXPECT_EQ(r->images, (std::vector<std::string>{"AAAAA", "BBB"}));
  ASSERT_EQ(r->group.size(), 6u + 2 * 14u);
  EXPECT_EQ(r->group.substr(0, 6), SampleIco().substr(0, 6));
  EXPECT_EQ(r->group.substr(6, 12), SampleIco().substr(6, 12));
  EXPECT_EQ(r->group.substr(18, 2), std::string("\x01\x00", 2));
  EXPECT_EQ(r->group.substr(32, 2), std::string("\x02\x00", 2));
}

TEST(IconResourcesFromIco, RefusesWhatIsNoIcon) {
  std::string cursor = SampleIco();
  cursor[2] = 2;
  std::string outside = SampleIco();
  outside[6 + 16 + 8] = 9;  // the second image runs past the end
  std::string empty = SampleIco();
  empty[4] = 0;
  for (const std::string& bad : {std::string("MZ\x90\x00 not an icon at all", 22), cursor, outside, empty,
                                 SampleIco().substr(0, 20), std::string()})
    EXPECT_FALSE(IconResourcesFromIco(bad));
}

}  // namespace
}  // namespace plumo
