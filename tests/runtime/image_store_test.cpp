#include "runtime/image_store.h"

#include <gtest/gtest.h>

#include "compiler/program_image.h"
#include "scripts/packed.h"

namespace plumo {
namespace {

// An image as GNU ld links it: a 128-byte DOS header pointing at "PE\0\0" right after it.
std::string LinkedImage(uint32_t peAt) {
  std::string image(peAt, '\0');
  image[0] = 'M';
  image[1] = 'Z';
  for (int i = 0; i < 4; ++i) image[0x3C + i] = static_cast<char>((peAt >> (8 * i)) & 0xFF);
  image += std::string("PE\0\0", 4);
  for (int i = 0; i < 5000; ++i) image.push_back(static_cast<char>(i * 7 % 251));
  return image;
}

TEST(ImageStoreTest, StoresTheImageWithoutItsDosHeaderSoThatTheBuilderCanPutOneBack) {
  const std::string image = LinkedImage(128);
  std::string error;
  const auto stored = StoredRuntimeImage(image, &error);
  ASSERT_TRUE(stored) << error;
  std::optional<std::string> unpacked = Unpack(*stored);
  ASSERT_TRUE(unpacked);
  EXPECT_EQ(*unpacked, image.substr(128));
  ASSERT_TRUE(PutDosHeader(*unpacked));
  EXPECT_EQ(unpacked->size(), image.size());
  EXPECT_EQ(unpacked->substr(0x3C, 4), image.substr(0x3C, 4));
  EXPECT_EQ(unpacked->substr(128), image.substr(128));
}

TEST(ImageStoreTest, RefusesImagesWhoseHeaderIsNotTheStandardSize) {
  const struct {
    const char* name;
    std::string image;
    const char* error;
  } cases[] = {
      {"header of 0xE8 bytes", LinkedImage(0xE8), "not at byte 128"},
      {"field says 128 but no PE there", [] { auto s = LinkedImage(128); s[128] = 'X'; return s; }(), "not at byte 128"},
      {"not a program", "ZM" + LinkedImage(128).substr(2), "not a program"},
      {"too short", "MZ", "not a program"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_FALSE(StoredRuntimeImage(c.image, &error)) << c.name;
    EXPECT_NE(error.find(c.error), std::string::npos) << c.name << ": " << error;
  }
}

}  // namespace
}  // namespace plumo
