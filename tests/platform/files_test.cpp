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

TEST_P(FilesConformance, AppendAddsToTheEndAndCreatesAMissingFile) {
  std::string root;
  auto files = GetParam().make(&root);
  ASSERT_TRUE(files->Append(root + "run.log", "one\r\n").ok());
  ASSERT_TRUE(files->Append(root + "run.log", std::string("tw\0o\r\n", 6)).ok());
  std::string out;
  bool opened = false;
  ASSERT_TRUE(files->ReadFile(root + "run.log", &out, &opened).ok());
  EXPECT_EQ(out, std::string("one\r\ntw\0o\r\n", 11));
  EXPECT_FALSE(files->Append(root + "sub", "x").ok());
}

TEST_P(FilesConformance, AnExclusiveCreateRefusesAnyExistingName) {
  std::string root;
  auto files = GetParam().make(&root);
  ASSERT_TRUE(files->CreateExclusive(root + "plu1.tmp").ok());
  EXPECT_EQ(files->FileSize(root + "plu1.tmp"), 0u);
  for (const char* taken : {"plu1.tmp", "a.txt", "sub"}) {
    OsError e = files->CreateExclusive(root + taken);
    EXPECT_EQ(e.code(), oscode::kFileExists) << taken;
  }
  EXPECT_EQ(files->FileSize(root + "a.txt"), 5u);
}

}  // namespace
}  // namespace plumo

namespace plumo {
namespace {

std::string ReadAll(Files& files, const std::string& path) {
  std::string out;
  bool opened = false;
  return files.ReadFile(path, &out, &opened).ok() ? out : "<unreadable>";
}

TEST_P(FilesConformance, FactsTellFilesFromFolders) {
  std::string root;
  auto files = GetParam().make(&root);
  OsError e;
  auto file = files->Facts(root + "a.txt", &e);
  ASSERT_TRUE(file);
  EXPECT_EQ(file->kind, PathKind::kFile);
  EXPECT_EQ(file->size, 5u);
  EXPECT_EQ(file->attributes & fileattr::kDirectory, 0u);
  EXPECT_GE(file->modified.year, 2020);
  auto folder = files->Facts(root + "sub", &e);
  ASSERT_TRUE(folder);
  EXPECT_EQ(folder->kind, PathKind::kFolder);
  EXPECT_NE(folder->attributes & fileattr::kDirectory, 0u);
  EXPECT_FALSE(files->Facts(root + "none", &e));
  EXPECT_EQ(e.code(), oscode::kFileNotFound);
}

TEST_P(FilesConformance, ReadsStreamFromAnOffset) {
  std::string root;
  auto files = GetParam().make(&root);
  OsError e;
  auto reader = files->OpenRead(root + "a.txt", 2, &e);
  ASSERT_TRUE(reader) << e.ToString();
  char buf[16];
  size_t got = 0;
  ASSERT_TRUE(reader->Read(buf, sizeof buf, &got).ok());
  EXPECT_EQ(std::string(buf, got), "345");
  ASSERT_TRUE(reader->Read(buf, sizeof buf, &got).ok());
  EXPECT_EQ(got, 0u);
  EXPECT_FALSE(files->OpenRead(root + "sub", 0, &e));
  EXPECT_FALSE(files->OpenRead(root + "none", 0, &e));
}

TEST_P(FilesConformance, AppendAndResizeChangeTheEnd) {
  std::string root;
  auto files = GetParam().make(&root);
  ASSERT_TRUE(files->Append(root + "a.txt", "67").ok());
  ASSERT_TRUE(files->Append(root + "new.txt", "x").ok());
  EXPECT_EQ(ReadAll(*files, root + "a.txt"), "1234567");
  EXPECT_EQ(ReadAll(*files, root + "new.txt"), "x");
  ASSERT_TRUE(files->Resize(root + "a.txt", 9, '*').ok());
  EXPECT_EQ(ReadAll(*files, root + "a.txt"), "1234567**");
  ASSERT_TRUE(files->Resize(root + "a.txt", 3, '*').ok());
  EXPECT_EQ(ReadAll(*files, root + "a.txt"), "123");
  ASSERT_TRUE(files->Resize(root + "a.txt", 5, '\0').ok());
  EXPECT_EQ(ReadAll(*files, root + "a.txt"), std::string("123\0\0", 5));
  EXPECT_FALSE(files->Resize(root + "none", 5, ' ').ok());
  EXPECT_FALSE(files->Append(root + "sub", "x").ok());
}

TEST_P(FilesConformance, CopiesReplaceTheirDestinationWhole) {
  std::string root;
  auto files = GetParam().make(&root);
  ASSERT_TRUE(files->Copy(root + "a.txt", root + "b.log").ok());
  EXPECT_EQ(ReadAll(*files, root + "b.log"), "12345");
  ASSERT_TRUE(files->CopyPart(root + "a.txt", 1, 3, root + "part").ok());
  EXPECT_EQ(ReadAll(*files, root + "part"), "234");
  ASSERT_TRUE(files->CopyPart(root + "a.txt", 4, 10, root + "part").ok());
  EXPECT_EQ(ReadAll(*files, root + "part"), "5");
  EXPECT_FALSE(files->Copy(root + "none", root + "c").ok());
  EXPECT_EQ(files->Kind(root + "c"), PathKind::kNone);
  EXPECT_FALSE(files->Copy(root + "a.txt", root + "sub").ok());
  EXPECT_EQ(files->Kind(root + "sub"), PathKind::kFolder);
}

TEST_P(FilesConformance, MovesRefuseAnExistingDestination) {
  std::string root;
  auto files = GetParam().make(&root);
  const char sep = root.back();
  OsError e = files->Move(root + "a.txt", root + "b.log");
  EXPECT_FALSE(e.ok());
  EXPECT_EQ(ReadAll(*files, root + "a.txt"), "12345");
  ASSERT_TRUE(files->Move(root + "a.txt", root + "sub" + sep + "c.txt").ok());
  EXPECT_EQ(files->Kind(root + "a.txt"), PathKind::kNone);
  ASSERT_TRUE(files->Move(root + "sub", root + "moved").ok());
  EXPECT_EQ(ReadAll(*files, root + "moved" + sep + "c.txt"), "12345");
}

TEST_P(FilesConformance, FolderTreesAreMadeCopiedAndRemoved) {
  std::string root;
  auto files = GetParam().make(&root);
  const std::string sep(1, root.back());
  const std::string deep = root + "x" + sep + "y" + sep + "z";
  ASSERT_TRUE(files->MakeFolder(deep).ok());
  ASSERT_TRUE(files->MakeFolder(deep).ok());
  EXPECT_FALSE(files->MakeFolder(root + "a.txt" + sep + "q").ok());
  ASSERT_TRUE(files->Copy(root + "a.txt", deep + sep + "f.txt").ok());
  ASSERT_TRUE(files->CopyTree(root + "x", root + "copy").ok());
  EXPECT_EQ(ReadAll(*files, root + "copy" + sep + "y" + sep + "z" + sep + "f.txt"), "12345");
  ASSERT_TRUE(files->RemoveTree(root + "x").ok());
  EXPECT_EQ(files->Kind(root + "x"), PathKind::kNone);
  EXPECT_EQ(files->Kind(root + "copy"), PathKind::kFolder);
  EXPECT_FALSE(files->RemoveTree(root + "x").ok());
}

}  // namespace
}  // namespace plumo
