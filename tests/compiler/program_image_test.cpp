#include "compiler/program_image.h"

#include <gtest/gtest.h>

namespace plumo {
namespace {

uint32_t Le32(const std::string& s, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(s[at + i]);
  return v;
}

TEST(DosHeader, IsTheUsualStubPointingAtThePeHeader) {
  const std::string header = StandardDosHeader();
  ASSERT_EQ(header.size(), 128u);
  EXPECT_EQ(header.substr(0, 2), "MZ");
  EXPECT_NE(header.find("This program cannot be run in DOS mode."), std::string::npos);

  std::string image = std::string("PX\0PE", 5) + std::string("\0\0\x4c\x01", 4) + "rest";
  ASSERT_TRUE(PutDosHeader(image));
  EXPECT_EQ(image.size(), 128u + 13u);
  EXPECT_EQ(Le32(image, 0x3C), 128u + 3u);
  EXPECT_EQ(image.substr(Le32(image, 0x3C), 3), std::string("PE\0", 3));

  std::string noPe = "no header here";
  EXPECT_FALSE(PutDosHeader(noPe));
  EXPECT_EQ(noPe, "no header here");
}

TEST(Scramble, ChangesEveryByteAndUndoesItself) {
  std::string block = std::string("\0\0\0", 3) + "packed";
  const std::string original = block;
  Scramble(block);
  for (size_t i = 0; i < block.size(); ++i) EXPECT_NE(block[i], original[i]) << i;
  EXPECT_NE(block[0], block[1]);  // two key bytes
  Scramble(block);
  EXPECT_EQ(block, original);
}

TEST(MarkOptionBlock, WritesTheImageIdAndTheSingleInstanceMark) {
  std::string image = "data~BUFFER~7.76 and ~BUFFER~ again";
  ASSERT_TRUE(MarkOptionBlock(image, true, 1002));
  EXPECT_EQ(image, "data1_1002_~7.76 and ~BUFFER~ again");

  image = "~BUFFER~7.76";
  ASSERT_TRUE(MarkOptionBlock(image, false, 1009));
  EXPECT_EQ(image, "~_1009_~7.76");

  image = "code ~BUFFER~H\x89 data ~BUFFER~7.76";  // the tag alone may be an x64 immediate
  ASSERT_TRUE(MarkOptionBlock(image, true, 1003));
  EXPECT_EQ(image, "code ~BUFFER~H\x89 data 1_1003_~7.76");

  image = "~buffer~7.76";  // case matters
  EXPECT_FALSE(MarkOptionBlock(image, true, 1002));
  EXPECT_EQ(image, "~buffer~7.76");
}

TEST(DosMessageProgram, IsTenBytesOfCodeTheTextAndADollar) {
  const std::string program = DosMessageProgram("Hello");
  ASSERT_EQ(program.size(), 5u + 11u);
  EXPECT_EQ(program.substr(0, 10), std::string("\xB4\x09\xBA\x0A\x01\xCD\x21\xCD\x20\x90", 10));
  EXPECT_EQ(program.substr(10), "Hello$");
}

TEST(VersionNumbers, TakesTheFirstDigitsOfUpToFourParts) {
  struct Case {
    const char* text;
    std::array<uint16_t, 4> want;
  } cases[] = {
      {"2.5.1", {2, 5, 1, 0}},
      {"1.2.3.4.5", {1, 2, 3, 4}},
      {"v1.x.3b7", {1, 0, 3, 0}},
      {"", {0, 0, 0, 0}},
      {"99999999999.1", {0xFFFF, 1, 0, 0}},
      {"7.76", {7, 76, 0, 0}},
  };
  for (const auto& c : cases) EXPECT_EQ(VersionNumbers(c.text), c.want) << c.text;
}

}  // namespace
}  // namespace plumo
