#include "compiler/build_texts.h"

#include <gtest/gtest.h>

namespace plumo {
namespace {

Step Named(const char* action) {
  Step s;
  s.action = action;
  return s;
}

TEST(PackagedFilesOf, FollowsTheActionAndThePackagingBits) {
  EXPECT_EQ(PackagedFilesOf(Named("Click on Image"), 1), PackagedKind::kImage);
  EXPECT_EQ(PackagedFilesOf(Named("IF Image is Visible"), 3), PackagedKind::kImage);
  EXPECT_EQ(PackagedFilesOf(Named("Click on Image"), 2), PackagedKind::kNone);
  EXPECT_EQ(PackagedFilesOf(Named("Read File"), 2), PackagedKind::kData);
  EXPECT_EQ(PackagedFilesOf(Named("Copy File"), 3), PackagedKind::kData);
  EXPECT_EQ(PackagedFilesOf(Named("Copy File"), 1), PackagedKind::kNone);
  EXPECT_EQ(PackagedFilesOf(Named("Write File"), 3), PackagedKind::kNone);
}

TEST(IsColourOrPattern, TellsColoursAndPatternsFromFiles) {
  EXPECT_TRUE(IsColourOrPattern("255,0,0"));
  EXPECT_TRUE(IsColourOrPattern("red*"));
  EXPECT_FALSE(IsColourOrPattern("C:\\pics\\*.bmp"));
  EXPECT_FALSE(IsColourOrPattern("a.bmp"));
  EXPECT_FALSE(IsColourOrPattern("25,0"));
  EXPECT_FALSE(IsColourOrPattern("button"));
}

TEST(PackagedNames, SplitsTrimsAndStops) {
  struct Case {
    const char* list;
    std::vector<std::string> want;
  } cases[] = {
      {"a.bmp", {"a.bmp"}},
      {" a.bmp ; b.bmp;c.bmp ", {"a.bmp", "b.bmp", "c.bmp"}},
      {"a.bmp;;c.bmp", {"a.bmp"}},
      {"C:\\x;y\\a.bmp", {"C:\\x;y\\a.bmp"}},  // one "." : one name
      {"1.b;2.b;3.b;4.b;5.b;6.b;7.b;8.b;9.b", {"1.b", "2.b", "3.b", "4.b", "5.b", "6.b", "7.b", "8.b"}},
      {"", {}},
      {" ; ", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(PackagedNames(c.list), c.want) << c.list;
}

TEST(PackagingLines, CountFilesReferencesAndSize) {
  EXPECT_EQ(PackagingLines(0, 0, 0), std::vector<std::string>{"    No external files to embed"});
  EXPECT_EQ(PackagingLines(1, 0, 5000),
            (std::vector<std::string>{"    Embedded 1 external file", "    Total Embedded Package Size: 4k"}));
  EXPECT_EQ(PackagingLines(2, 1, 1024 * 1024),
            (std::vector<std::string>{"    Embedded 2 external files", "    Embedded 1 external file as linked reference",
                                      "    Total Embedded Package Size: 1024k"}));
  EXPECT_EQ(PackagingLines(3, 2, 5 * 1024 * 1024 + 1).back(), "    Total Embedded Package Size: 5 MB");
  EXPECT_EQ(PackagingLines(3, 2, 0)[1], "    Embedded 2 external files as linked references");
}

TEST(OutputSizeLine, InKilobytesThenMegabytes) {
  EXPECT_EQ(OutputSizeLine(2047), "File Size: 1k");
  EXPECT_EQ(OutputSizeLine(1024 * 1024 - 1), "File Size: 1023k");
  EXPECT_EQ(OutputSizeLine(3 * 1024 * 1024), "File Size: 3 MB");
  EXPECT_EQ(OutputSizeLine(std::nullopt).rfind("The output file was deleted or blocked.", 0), 0u);
}

}  // namespace
}  // namespace plumo
