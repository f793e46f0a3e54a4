// Reading whole files and replacing them, for every implementation of the Files port.
#include <filesystem>

#include "platform/port_conformance.h"

namespace plumo {
namespace {

TEST_P(FilesConformance, AMissingFileIsNotOpened) {
  std::string root;
  auto files = GetParam().make(&root);
  std::string out;
  bool opened = true;
  OsError e = files->ReadFile(root + "none.vxm", &out, &opened);
  EXPECT_FALSE(e.ok());
  EXPECT_FALSE(opened);
  EXPECT_FALSE(files->ReadFile(root + "sub", &out, &opened).ok());
}

TEST_P(FilesConformance, WrittenBytesReadBackExactly) {
  std::string root;
  auto files = GetParam().make(&root);
  const std::string data = std::string("a\r\nb\0c\n\xff", 8) + std::string(100000, 'x');
  bool created = false;
  ASSERT_TRUE(files->ReplaceContent(root + "s.vxm", data, &created).ok());
  EXPECT_TRUE(created);
  EXPECT_EQ(files->FileSize(root + "s.vxm"), data.size());
  std::string out;
  bool opened = false;
  ASSERT_TRUE(files->ReadFile(root + "s.vxm", &out, &opened).ok());
  EXPECT_TRUE(opened);
  EXPECT_EQ(out, data);
}

size_t EntriesIn(const std::string& folder) {
  std::error_code ec;
  size_t n = 0;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) ++n;
  return n;
}

TEST_P(FilesConformance, ReplacingLeavesOnlyTheNewContent) {
  std::string root;
  auto files = GetParam().make(&root);
  const size_t before = EntriesIn(root);
  bool created = false;
  ASSERT_TRUE(files->ReplaceContent(root + "s.vxm", std::string(5000, 'o'), &created).ok());
  ASSERT_TRUE(files->ReplaceContent(root + "s.vxm", "new", &created).ok());
  ASSERT_TRUE(files->ReplaceContent(root + "b.log", "", &created).ok());
  std::string out;
  bool opened = false;
  ASSERT_TRUE(files->ReadFile(root + "s.vxm", &out, &opened).ok());
  EXPECT_EQ(out, "new");
  EXPECT_EQ(files->FileSize(root + "b.log"), 0u);
  // No temporary file is left beside them (the fake has no folder on disk to look into).
  if (before > 0) {
    EXPECT_EQ(EntriesIn(root), before + 1);
  }
}

TEST_P(FilesConformance, NoFolderNoFile) {
  std::string root;
  auto files = GetParam().make(&root);
  bool created = true;
  OsError e = files->ReplaceContent(root + "missing" + root.back() + "s.vxm", "data", &created);
  EXPECT_FALSE(e.ok());
  EXPECT_FALSE(created);
  EXPECT_FALSE(e.message().empty());
  EXPECT_EQ(files->Kind(root + "missing"), PathKind::kNone);
}

TEST_P(FilesConformance, DeleteRemovesAFileAndAcceptsOneThatIsGone) {
  std::string root;
  auto files = GetParam().make(&root);
  bool created = false;
  ASSERT_TRUE(files->ReplaceContent(root + "out.exe", "MZ", &created).ok());
  EXPECT_TRUE(files->Delete(root + "out.exe").ok());
  EXPECT_EQ(files->Kind(root + "out.exe"), PathKind::kNone);
  EXPECT_TRUE(files->Delete(root + "out.exe").ok());
  EXPECT_EQ(files->Kind(root + "a.txt"), PathKind::kFile);
}

}  // namespace
}  // namespace plumo
