// The Files & Folders actions as Steps against the build's own file system.
#include "actions/integration/files/file_actions.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "actions/integration/action_harness.h"
#include "actions/integration/data/data_actions.h"
#include "actions/integration/files/file_scan.h"
#include "actions/integration/native_files.h"
#include "compiler/sample_version_block.h"
#include "scripts/pe_image_builder.h"

namespace plumo {
namespace {

namespace fs = std::filesystem;
constexpr int kFiles = 9;

class FileActions : public ::testing::Test {
 protected:
  FileActions() : h(NativeFilesForTest()), dir(scratch.path()) {
    RegisterFileActions(h.session);
    RegisterDataActions(h.session);
  }
  void Put(const std::string& name, const std::string& content) {
    fs::create_directories(fs::path(dir + name).parent_path());
    std::ofstream(dir + name, std::ios::binary) << content;
  }
  std::string Get(const std::string& name) {
    std::ifstream in(dir + name, std::ios::binary);
    if (!in) return "<missing>";
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  void MakeReadOnly(const std::string& name) {
    fs::permissions(dir + name, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
  }
  int Run(std::string_view action, const StepFields& f) { return h.Run(kFiles, action, f); }

  ScratchFolder scratch;
  ActionHarness h;
  std::string dir;
};

TEST_F(FileActions, ReadsRangesAndLines) {
  Put("a.txt", "one\r\ntwo\nthree");
  struct Case {
    std::string_view action;
    StepFields fields;
    int result;
    std::string_view out;
  };
  const std::string a = dir + "a.txt";
  const Case cases[] = {
      {"Read File", {"", a}, 1, "one\r\ntwo\nthree"},
      {"Read File", {"", a, "6", "8"}, 1, "two"},
      {"Read File", {"", a, "Start of File", "3"}, 1, "one"},
      {"Read File", {"", a, "14", "To End"}, 1, "e"},
      {"Read File", {"", a, "15"}, 1, ""},
      {"Read File", {"", a, "16"}, 0, "<none>"},
      {"Read File", {"", a, "5", "4"}, 0, "<none>"},
      {"Read File Line", {"", a, "1"}, 1, "one"},
      {"Read File Line", {"", a, "3"}, 1, "three"},
      {"Read File Line", {"", a, "4"}, 0, "<none>"},
      {"Read File Line", {"", a, "0"}, 0, "<none>"},
      {"Count File Lines", {"", a}, 1, "3"},
      {"Read File", {"", dir + "none.txt"}, 0, "<none>"},
      {"Read File", {"", dir}, 0, "<none>"},
      {"Count File Lines", {"", dir}, 0, "<none>"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Run(c.action, c.fields), c.result) << c.action << " " << c.fields.value2 << ": " << h.Error();
    EXPECT_EQ(h.Out(), c.out) << c.action << " " << c.fields.value2;
  }
  Run("Read File Line", {"", a, "4"});
  EXPECT_EQ(h.Error(), "Line 4 is past the end of '" + a + "', which has 3 lines");
  Run("Read File", {"", dir + "none.txt"});
  EXPECT_EQ(h.Error().rfind("Unable to read file '" + dir + "none.txt': ", 0), 0u) << h.Error();
  EXPECT_GT(h.Error().size(), ("Unable to read file '" + dir + "none.txt': ").size());
}

TEST_F(FileActions, WritesAppendEraseAndOverwriteInPlace) {
  const std::string a = dir + "w.txt";
  ASSERT_EQ(Run("Write/Create File", {"abc", a}), 1) << h.Error();
  ASSERT_EQ(Run("Write/Create File", {"def", a, "Append"}), 1);
  ASSERT_EQ(Run("Write/Create File", {"XY", a, "3"}), 1);
  EXPECT_EQ(Get("w.txt"), "abXYef");
  ASSERT_EQ(Run("Write/Create File", {"Z", a, "7"}), 1);
  EXPECT_EQ(Get("w.txt"), "abXYefZ");
  EXPECT_EQ(Run("Write/Create File", {"Z", a, "9"}), 0);
  ASSERT_EQ(Run("Write/Create File", {"new", a, "", "", "", "Erase"}), 1);
  EXPECT_EQ(Get("w.txt"), "new");
  EXPECT_EQ(Run("Write/Create File", {"x", dir}), 0);
  EXPECT_NE(h.Error().find("it is a folder"), std::string::npos) << h.Error();
  // Into a folder that is not there: the system's reason and nothing made.
  EXPECT_EQ(Run("Write/Create File", {"x", dir + "no\\such\\f.txt"}), 0);
  EXPECT_NE(h.Error().find("no\\such\\f.txt"), std::string::npos) << h.Error();
}

TEST_F(FileActions, ReadOnlyFilesAreNeitherWrittenNorReplacedNorDeleted) {
  Put("ro.txt", "keep");
  Put("src.txt", "other");
  MakeReadOnly("ro.txt");
  const std::string ro = dir + "ro.txt";
  const std::pair<std::string_view, StepFields> attempts[] = {
      {"Write/Create File", {"x", ro}},
      {"Write/Create File", {"x", ro, "", "", "", "Erase"}},
      {"Change File Size", {"", ro, "1"}},
      {"Copy File", {"", dir + "src.txt", ro}},
      {"Delete File", {"", ro}},
  };
  for (const auto& [action, fields] : attempts) {
    EXPECT_EQ(Run(action, fields), 0) << action;
    EXPECT_NE(h.Error().find("read-only"), std::string::npos) << action << ": " << h.Error();
  }
  EXPECT_EQ(Get("ro.txt"), "keep");
  ASSERT_EQ(Run("Get File Info", {"", ro, "Attributes (string)"}), 1);
  EXPECT_NE(h.Out().find('R'), std::string::npos);
}

TEST_F(FileActions, MasksAndRecursiveKeepTheTreeBelowTheMask) {
  Put("src/a.txt", "a");
  Put("src/b.log", "b");
  Put("src/sub/c.txt", "c");
  ASSERT_EQ(Run("Copy File", {"", dir + "src\\*.txt", dir + "dst", "", "", "Recursive"}), 1) << h.Error();
  EXPECT_EQ(Get("dst/a.txt"), "a");
  EXPECT_EQ(Get("dst/sub/c.txt"), "c");
  EXPECT_EQ(Get("dst/b.log"), "<missing>");
  // One file to a name, one into a folder, one renamed in its own folder.
  ASSERT_EQ(Run("Copy File", {"", dir + "src\\b.log", dir + "dst\\b2.log"}), 1);
  ASSERT_EQ(Run("Copy File", {"", dir + "src\\b.log", dir + "dst\\sub"}), 1);
  ASSERT_EQ(Run("Move/Rename File", {"", dir + "dst\\b2.log", "b3.log"}), 1) << h.Error();
  EXPECT_EQ(Get("dst/sub/b.log"), "b");
  EXPECT_EQ(Get("dst/b3.log"), "b");
  EXPECT_EQ(Get("dst/b2.log"), "<missing>");
  // A move onto an existing file is refused and loses nothing.
  EXPECT_EQ(Run("Move/Rename File", {"", dir + "dst\\b3.log", "a.txt"}), 0);
  EXPECT_EQ(Get("dst/a.txt"), "a");
  EXPECT_EQ(Get("dst/b3.log"), "b");
  ASSERT_EQ(Run("Count Files/Folders", {dir + "dst", "", "", "", "", "Files,Recursive"}), 1);
  EXPECT_EQ(h.Out(), "4");
  ASSERT_EQ(Run("Count Files/Folders", {dir + "dst\\*", "", "", "", "", "Folders"}), 1);
  EXPECT_EQ(h.Out(), "1");
  ASSERT_EQ(Run("Delete File", {"", dir + "dst\\*.txt", "", "", "", "Recursive"}), 1);
  EXPECT_EQ(Get("dst/sub/c.txt"), "<missing>");
  EXPECT_EQ(Get("dst/sub/b.log"), "b");
  EXPECT_EQ(Run("Delete File", {"", dir + "dst\\*.none"}), 0);
  EXPECT_EQ(h.Error(), "No file matches '" + dir + "dst\\*.none'");
}

TEST_F(FileActions, FindFileGivesTheFirstTheNthOrAll) {
  Put("tree/x.ini", "");
  Put("tree/deeper/y.ini", "");
  Put("tree/deeper/z.txt", "");
  const std::string tree = dir + "tree";
  ASSERT_EQ(Run("Find File", {"", "*.ini", tree}), 1) << h.Error();
  EXPECT_EQ(fs::path(h.Out()).filename(), "x.ini");
  ASSERT_EQ(Run("Find File", {"", "*.ini", tree, "2"}), 1);
  EXPECT_EQ(fs::path(h.Out()).filename(), "y.ini");
  ASSERT_EQ(Run("Find File", {"", "*.ini", tree, "All"}), 1);
  EXPECT_NE(h.Out().find("\r\n"), std::string::npos);
  EXPECT_EQ(Run("Find File", {"", "*.ini", tree, "3"}), 0);
  EXPECT_EQ(Run("Find File", {"", "*.exe", tree}), 0);
  EXPECT_EQ(Run("Find File", {"", "*.ini", dir + "missing"}), 0);
  EXPECT_EQ(h.Error(), "Folder '" + dir + "missing' does not exist");
}

TEST_F(FileActions, FoldersAreCopiedMovedAndDeletedWhole) {
  Put("f/a.txt", "a");
  Put("f/sub/b.txt", "b");
  ASSERT_EQ(Run("Copy Folder", {"", dir + "f", dir + "g"}), 1) << h.Error();
  EXPECT_EQ(Get("g/sub/b.txt"), "b");
  EXPECT_EQ(Run("Copy Folder", {"", dir + "f", dir + "f\\inside"}), 0);
  EXPECT_NE(h.Error().find("into itself"), std::string::npos);
  ASSERT_EQ(Run("Move/Rename Folder", {"", dir + "g", "h"}), 1) << h.Error();
  EXPECT_EQ(Get("h/a.txt"), "a");
  EXPECT_EQ(Run("Move/Rename Folder", {"", dir + "h", dir + "f"}), 0);
  MakeReadOnly("h/sub/b.txt");
  ASSERT_EQ(Run("Delete Folder", {"", dir + "h"}), 1) << h.Error();
  EXPECT_FALSE(fs::exists(dir + "h"));
  EXPECT_EQ(Run("Delete Folder", {"", dir + "h"}), 0);
  for (std::string root : {"C:\\", "/", "\\\\server\\share"}) {
    EXPECT_EQ(Run("Delete Folder", {"", root}), 0);
    EXPECT_NE(h.Error().find("never deleted"), std::string::npos) << root;
  }
}

TEST_F(FileActions, DeletingAFolderRemovesLinksNotWhatTheyLeadTo) {
  Put("outside/keep.txt", "k");
  Put("tree/a.txt", "a");
  std::error_code ec;
  fs::create_directory_symlink(dir + "outside", dir + "tree/link", ec);
  if (ec) GTEST_SKIP() << "no folder links here: " << ec.message();
  ASSERT_EQ(Run("Delete Folder", {"", dir + "tree"}), 1) << h.Error();
  EXPECT_FALSE(fs::exists(dir + "tree"));
  EXPECT_EQ(Get("outside/keep.txt"), "k");
}

TEST_F(FileActions, NamesTooLongFailWithTheirPathAndMakeNothing) {
  // Fields hold 259 characters; longer names come from variables.
  h.variables.Set("long", dir + std::string(300, 'n') + ".txt");
  EXPECT_EQ(Run("Write/Create File", {"x", "%long"}), 0);
  EXPECT_NE(h.Error().find(std::string(300, 'n')), std::string::npos);
  EXPECT_EQ(Run("Create Folder", {"", "%long"}), 0);
  EXPECT_TRUE(fs::is_empty(dir));
}

TEST_F(FileActions, SizesChangeAndFilesSplitAndCompare) {
  Put("s.bin", "0123456789");
  const std::string s = dir + "s.bin";
  ASSERT_EQ(Run("Change File Size", {"", s, "12", "*"}), 1) << h.Error();
  EXPECT_EQ(Get("s.bin"), "0123456789**");
  ASSERT_EQ(Run("Split File", {"", s, "5"}), 1) << h.Error();
  EXPECT_EQ(Get("s.bin.001") + "|" + Get("s.bin.002") + "|" + Get("s.bin.003"), "01234|56789|**");
  EXPECT_EQ(Run("Split File", {"", s, "0"}), 0);
  ASSERT_EQ(Run("Change File Size", {"", s, "5"}), 1);
  ASSERT_EQ(Run("Compare Files", {"", s, dir + "s.bin.001"}), 1);
  EXPECT_EQ(h.Out(), "1");
  ASSERT_EQ(Run("Compare Files", {"", s, dir + "s.bin.002"}), 1);
  EXPECT_EQ(h.Out(), "0");
  EXPECT_EQ(Run("Change File Size", {"", s, "lots"}), 0);
}

TEST_F(FileActions, FileInfoOfNamesTimesAndVersions) {
  struct Case {
    std::string_view type, out;
  };
  const Case names[] = {
      {"Name: Drive", "C:"},           {"Name: Path", "\\dir\\sub\\"},  {"Name: Drive+Path", "C:\\dir\\sub\\"},
      {"Name: Base", "file.tar"},      {"Name: Extension", ".gz"},      {"Name: Base+Extension", "file.tar.gz"},
      {"Name: Drive+Path+Base", "C:\\dir\\sub\\file.tar"},            {"Is File", "0"},
  };
  for (const Case& c : names) {
    ASSERT_EQ(Run("Get File Info", {"", "C:\\dir\\sub\\file.tar.gz", std::string(c.type)}), 1) << c.type;
    EXPECT_EQ(h.Out(), c.out) << c.type;
  }
  std::string block = sample::SampleBlock();
  Put("prog.exe", test::ProgramWithResources({{16, 1, block}}));
  const std::string prog = dir + "prog.exe";
  const Case program[] = {{"Version (long)", "7.76.0.0"}, {"Version (short)", "7.76"},
                          {"LegalCopyright", "(C) Plumo"}, {"CompanyName", ""}, {"Is File", "1"}};
  for (const Case& c : program) {
    ASSERT_EQ(Run("Get File Info", {"", prog, std::string(c.type)}), 1) << c.type << ": " << h.Error();
    EXPECT_EQ(h.Out(), c.out) << c.type;
  }
  Put("crc.txt", "123456789");
  ASSERT_EQ(Run("Get File Info", {"", dir + "crc.txt", "CRC-32"}), 1);
  EXPECT_EQ(h.Out(), "CBF43926");
  ASSERT_EQ(Run("Get File Info", {"", dir + "crc.txt", "Last Modified Time"}), 1);
  const std::string time = h.Out();
  EXPECT_EQ(std::count(time.begin(), time.end(), ':'), 2) << time;
  EXPECT_EQ(Run("Get File Info", {"", dir + "crc.txt", "Version (long)"}), 0);
  EXPECT_EQ(Run("Get File Info", {"", dir + "none", "Size"}), 0);
  EXPECT_EQ(Run("Get File Info", {"", dir + "crc.txt", "Colour"}), 0);
}

TEST_F(FileActions, AnAssociationIsWhatTheDocumentInfoTells) {
  Put("viewer.exe", "MZ");
  ASSERT_EQ(Run("Set File Association", {"", dir + "viewer.exe", ".plumotest", "2"}), 1) << h.Error();
  ASSERT_EQ(Run("Get File Info", {"", "C:\\docs\\x.plumotest", "Document Association"}), 1) << h.Error();
  EXPECT_EQ(h.Out(), "\"" + dir + "viewer.exe\" \"%1\"");
  EXPECT_EQ(Run("Get File Info", {"", "x.unknownext", "Document Association"}), 0);
  EXPECT_EQ(Run("Set File Association", {"", dir + "missing.exe", "abc"}), 0);
}

TEST_F(FileActions, ShortcutsAndPdfDocumentsAreWritten) {
  Put("target.txt", "t");
  ASSERT_EQ(Run("Create Shortcut", {"", dir + "target.txt", dir + "link", "A description"}), 1) << h.Error();
  EXPECT_EQ(fs::exists(dir + "link.lnk") + fs::exists(dir + "link.desktop"), 1);
  h.environment.desktopFolder.clear();
  EXPECT_EQ(Run("Create Shortcut", {"", dir + "target.txt", "bare name"}), 0);
  ASSERT_EQ(Run("Create Adobe PDF", {"Hello PDF", dir + "doc.pdf", "Times New Roman", "11", "1", "", "1", "8.5", "11"}), 1)
      << h.Error();
  EXPECT_EQ(Get("doc.pdf").rfind("%PDF-1.4", 0), 0u);
  EXPECT_NE(Get("doc.pdf").find("/Times-Roman"), std::string::npos);
  EXPECT_EQ(Run("Create Adobe PDF", {"x", dir + "bad.pdf", "", "12", "5", "", "1", "8.5", "11"}), 0);
  EXPECT_EQ(h.Error(), "The margins leave no room for text on the page");
  EXPECT_EQ(Run("Create Adobe PDF", {"x", dir + "bad.pdf", "", "big"}), 0);
  EXPECT_FALSE(fs::exists(dir + "bad.pdf"));
}

TEST_F(FileActions, NetworkDrivesGoToTheSystem) {
  ASSERT_EQ(Run("Map Drive", {"H", "\\\\server\\share", "me", "pw"}), 1) << h.Error();
  EXPECT_EQ(h.system.mappedDrives, std::vector<std::string>{"H:=\\\\server\\share as me/pw"});
  h.system.mapDriveError = OsError("WNetAddConnection2A", 67, "The network name cannot be found.");
  EXPECT_EQ(Run("Map Drive", {"H:", "\\\\server\\share"}), 0);
  EXPECT_EQ(h.Error(), "Unable to map drive H: to '\\\\server\\share': The network name cannot be found.");
  h.system.mapDriveError = OsError("WNetConnectionDialog", oscode::kCancelled, "cancelled");
  EXPECT_EQ(Run("Map Drive Prompt", {}), 0);
  EXPECT_EQ(h.Error(), "The Map Drive dialog was cancelled");
}

// Pieces of 1 MB: what lies across their seams is found and counted all the same.
TEST_F(FileActions, SearchesAndLinesCrossThePiecesAFileIsReadIn) {
  std::string big(3 << 20, 'x');
  for (size_t i = 1000; i < big.size(); i += 1000) big[i] = '\n';
  const size_t seam = 1 << 20;
  big.replace(seam - 3, 6, "NeEdLe");
  big.replace(2 * seam - 1, 6, "needle");
  big.back() = 'z';
  Put("big.txt", big);
  const std::string path = dir + "big.txt";
  SearchResult found;
  ASSERT_TRUE(SearchFile(h.files(), path, "needle", false, false, &found));
  EXPECT_EQ(found.count, 2u);
  const auto lineOf = [&](size_t at) { return 1 + std::count(big.begin(), big.begin() + static_cast<long>(at), '\n'); };
  EXPECT_EQ(found.lines, (std::vector<uint64_t>{static_cast<uint64_t>(lineOf(seam - 3)), static_cast<uint64_t>(lineOf(2 * seam - 1))}));
  ASSERT_TRUE(SearchFile(h.files(), path, "needle", true, false, &found));
  EXPECT_EQ(found.count, 1u);
  uint64_t lines = 0;
  ASSERT_TRUE(CountLines(h.files(), path, &lines));
  EXPECT_EQ(lines, static_cast<uint64_t>(std::count(big.begin(), big.end(), '\n')) + 1);
  std::optional<std::string> line;
  ASSERT_TRUE(ReadLine(h.files(), path, lines, &line, &lines));
  EXPECT_EQ(line.value_or("<none>").back(), 'z');
}

}  // namespace
}  // namespace plumo
