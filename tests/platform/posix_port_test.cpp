// The Linux port against the shared behaviour.
#include "platform/posix/posix_clock.h"
#include "platform/posix/posix_environment.h"
#include "platform/posix/posix_files.h"
#include "platform/posix/posix_locale.h"
#include "platform/posix/posix_processes.h"
#include "platform/posix/posix_system.h"
#include "platform/posix/terminal_dialogs.h"
#include "platform/port_conformance.h"

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

namespace plumo {
namespace {

INSTANTIATE_TEST_SUITE_P(Posix, EnvironmentConformance,
                         testing::Values(PortFactory<Environment>{
                             "Posix", [] { return std::make_unique<PosixEnvironment>(); }}),
                         PortName<Environment>);

INSTANTIATE_TEST_SUITE_P(Posix, ClockConformance,
                         testing::Values(PortFactory<Clock>{
                             "Posix", [] { return std::make_unique<PosixClock>(); }}),
                         PortName<Clock>);

INSTANTIATE_TEST_SUITE_P(Posix, LocaleConformance,
                         testing::Values(PortFactory<Locale>{
                             "Posix", [] { return std::make_unique<PosixLocale>(); }}),
                         PortName<Locale>);

INSTANTIATE_TEST_SUITE_P(Posix, SystemConformance,
                         testing::Values(PortFactory<System>{
                             "Posix", [] { return std::make_unique<PosixSystem>(); }}),
                         PortName<System>);

INSTANTIATE_TEST_SUITE_P(Posix, FilesConformance,
                         testing::Values(FilesSetup{"Posix",
                                                    [](std::string* root) {
                                                      *root = LayOutFilesFolder("posix");
                                                      return std::make_unique<PosixFiles>();
                                                    }}),
                         FilesSetupName);

TEST(PosixLocale, TheCLocaleIsEnglishMonthDayYear) {
  // Tests run in the C locale: the program never called setlocale.
  PosixLocale locale;
  const LocaleValues& v = locale.Values();
  EXPECT_EQ(v.monthNames[0], "January");
  EXPECT_EQ(v.dayAbbrevs[0], "Sun");
  EXPECT_EQ(v.decimalSeparator, ".");
  EXPECT_EQ(v.thousandsSeparator, ",");
  EXPECT_EQ(v.shortDateFormat, "MM/dd/yy");
  EXPECT_EQ(v.timeFormat, "HH:mm:ss");
  EXPECT_EQ(v.dateOrder, DateOrder::kMonthDayYear);
  EXPECT_EQ(v.primaryLanguage, 9);
}

TEST(PosixLocale, LocaleNamesGiveWindowsLanguageNumbers) {
  EXPECT_EQ(LanguageOfLocaleName("de_DE.UTF-8"), 7);
  EXPECT_EQ(LanguageOfLocaleName("fr"), 12);
  EXPECT_EQ(LanguageOfLocaleName("nb_NO@euro"), 20);
  EXPECT_EQ(LanguageOfLocaleName("C"), 9);
  EXPECT_EQ(LanguageOfLocaleName("POSIX"), 9);
  EXPECT_EQ(LanguageOfLocaleName(nullptr), 9);
}

TEST(PosixSystem, CommandLineNamesTheProgramAndWindowsFoldersAreEmpty) {
  PosixSystem system;
  // The test program runs as .../platform_test with ctest's arguments.
  EXPECT_NE(system.CommandLine().find("platform_test"), std::string::npos);
  EXPECT_EQ(system.SystemFolder(), "");
  EXPECT_EQ(system.WindowsFolder(), "");
}

TEST(PosixLocale, StrftimePicturesBecomeWindowsPictures) {
  EXPECT_EQ(WindowsPictureOf("%d.%m.%Y"), "dd.MM.yyyy");
  EXPECT_EQ(WindowsPictureOf("%Y-%m-%d"), "yyyy-MM-dd");
  EXPECT_EQ(WindowsPictureOf("%e %B %Ey"), "d MMMM yy");
  EXPECT_EQ(WindowsPictureOf("%I:%M:%S %p"), "hh:mm:ss tt");
  EXPECT_EQ(WindowsPictureOf("%D"), "MM/dd/yy");
  EXPECT_EQ(WindowsPictureOf("100%%"), "100%");
}

TEST(TerminalDialogs, WithoutATerminalAnswersTheDefaultAndSaysSo) {
  FILE* in = std::tmpfile();
  FILE* out = std::tmpfile();
  ASSERT_TRUE(in && out);
  TerminalDialogs dialogs(in, out);
  EXPECT_EQ(dialogs.ShowMessage("Delete it?", "Plumo", 4 | 0x100), 7);  // Yes/No, No default
  EXPECT_EQ(dialogs.ShowMessage("Done", " ", 0), 1);
  std::rewind(out);
  char buf[256] = {};
  size_t n = std::fread(buf, 1, sizeof(buf) - 1, out);
  std::string text(buf, n);
  EXPECT_NE(text.find("Plumo: Delete it?"), std::string::npos) << text;
  EXPECT_NE(text.find("answered No"), std::string::npos) << text;
  EXPECT_NE(text.find("answered OK"), std::string::npos) << text;
  std::fclose(in);
  std::fclose(out);
}

TEST(TerminalDialogs, CustomDialogsAskFieldByFieldThenForTheButton) {
  CustomRequest r;
  r.controls = {{CustomKind::kEdit, "Name:", {}, ""}, {CustomKind::kCheckBox, "Agree", {}, ""},
                {CustomKind::kButton, "Next", {}, ""}, {CustomKind::kList, "Pick:", {"A", "B"}, ""}};
  const struct {
    const char* typed;
    int pressed;
    std::vector<std::string> values;
  } cases[] = {
      {"Ann\ny\n2\n2\n", kCustomButton + 3, {"Ann", "1", "", "B"}},
      {"Ann\n\n\n\n", 1, {"Ann", "0", "", "A"}},  // Enter: the first choice, then OK
      {"Ann\nn\n1\n3\n", 0, {"Ann", "0", "", "A"}},  // the last number is Cancel
      {"Ann\n", 0, {}},                               // the input ends
  };
  for (const auto& c : cases) {
    FILE* in = std::tmpfile();
    FILE* out = std::tmpfile();
    ASSERT_TRUE(in && out);
    std::fputs(c.typed, in);
    std::rewind(in);
    const CustomAnswer a = TerminalDialogs(in, out).AskCustom(r);
    EXPECT_EQ(a.pressed, c.pressed) << c.typed;
    if (c.pressed) {
      EXPECT_EQ(a.values, c.values) << c.typed;
    }
    std::fclose(in);
    std::fclose(out);
  }
}

TEST(PosixSystem, StartsProgramsThroughTheShell) {
  PosixSystem system;
  uint32_t value = 0;
  EXPECT_TRUE(system.ShellOpen("true", &value).ok());
  EXPECT_GT(value, 32u);
  EXPECT_TRUE(system.ShellOpen("\"/bin/sh\" -c exit").ok());
  for (const char* missing : {"plumo-no-such-program", ""}) {
    OsError e = system.ShellOpen(missing, &value);
    EXPECT_EQ(e.code(), oscode::kFileNotFound) << missing;
    EXPECT_EQ(value, 2u);
  }
  EXPECT_FALSE(system.Version().windows);
}

}  // namespace
}  // namespace plumo

namespace plumo {
namespace {

class PosixFolders : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = testing::TempDir() + "plumo_folders_" + testing::UnitTest::GetInstance()->current_test_info()->name() + "/";
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_ + "sub/deeper");
    for (const char* f : {"a.txt", "b.log", "noext", "sub/c.txt", "sub/deeper/d.txt"}) std::ofstream(dir_ + f) << "x";
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::vector<std::string> List(const std::string& leaf, bool folders, bool recursive) {
    std::vector<std::string> out;
    files_.ListMatches(dir_ + leaf, folders, recursive, [&](const std::string& p) {
      out.push_back(p.substr(dir_.size()));
      return true;
    });
    std::sort(out.begin(), out.end());
    return out;
  }
  std::string dir_;
  PosixFiles files_;
};

TEST_F(PosixFolders, ListsLikeWindowsSpecifications) {
  using V = std::vector<std::string>;
  EXPECT_EQ(List("*.txt", false, false), (V{"a.txt"}));
  EXPECT_EQ(List("*.txt", false, true), (V{"a.txt", "sub/c.txt", "sub/deeper/d.txt"}));
  EXPECT_EQ(List("*.*", false, false), (V{"a.txt", "b.log", "noext"}));
  EXPECT_EQ(List("*", true, true), (V{"sub", "sub/deeper"}));
  EXPECT_TRUE(List("none*", false, true).empty());
}

TEST(PosixFiles, WindowsPathsNameLinuxFiles) {
  const std::pair<const char*, const char*> cases[] = {
      {"C:\\dir\\a.txt", "/dir/a.txt"}, {"dir\\a.txt", "dir/a.txt"}, {"c:", "/"}, {"C:a.txt", "/a.txt"},
      {"/tmp/x", "/tmp/x"},               {"\\\\srv\\s", "//srv/s"}, {"", ""},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(PosixPath(in), out) << in;
}

// Links lead out of the tree: listing, watching and removing pass through none of them.
TEST_F(PosixFolders, LinksAreNeverFollowedOutOfTheTree) {
  const std::string outside = dir_ + "../plumo_outside_" + std::to_string(getpid());
  std::filesystem::create_directories(outside);
  std::ofstream(outside + "/keep.txt") << "k";
  std::filesystem::create_directory_symlink(outside, dir_ + "sub/out");
  std::filesystem::create_directory_symlink(dir_, dir_ + "sub/loop");
  std::filesystem::create_symlink(outside + "/keep.txt", dir_ + "sub/keep-link.txt");
  using V = std::vector<std::string>;
  EXPECT_EQ(List("*", true, true), (V{"sub", "sub/deeper", "sub/loop", "sub/out"}));
  EXPECT_EQ(List("keep*", false, true), (V{"sub/keep-link.txt"}));
  OsError error;
  EXPECT_TRUE(files_.WatchFolder(dir_, &error));
  ASSERT_TRUE(files_.RemoveTree(dir_ + "sub").ok());
  EXPECT_EQ(files_.Kind(dir_ + "sub"), PathKind::kNone);
  EXPECT_EQ(files_.Kind(outside + "/keep.txt"), PathKind::kFile);
  std::filesystem::remove_all(outside);
}

// A full disk in small: writes beyond the file size limit fail as they would there.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old_);
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &old_); }

 private:
  rlimit old_{};
};

TEST_F(PosixFolders, FailedWritesLeaveFilesAsTheyWere) {
  const std::string big(64 * 1024, 'b');
  bool created = false;
  ASSERT_TRUE(files_.ReplaceContent(dir_ + "big", big, &created).ok());
  FileSizeLimit limit(8 * 1024);
  EXPECT_FALSE(files_.Append(dir_ + "a.txt", big).ok());
  EXPECT_EQ(files_.FileSize(dir_ + "a.txt"), 1u);
  EXPECT_FALSE(files_.Resize(dir_ + "a.txt", big.size(), '*').ok());
  EXPECT_EQ(files_.FileSize(dir_ + "a.txt"), 1u);
  OsError e = files_.Copy(dir_ + "big", dir_ + "b.log");
  EXPECT_FALSE(e.ok());
  EXPECT_FALSE(e.message().empty());
  EXPECT_EQ(files_.FileSize(dir_ + "b.log"), 1u);
  EXPECT_EQ(List("*.tmp", false, false), std::vector<std::string>{});
}

TEST_F(PosixFolders, AWatchWakesOnAChangeBelowAndOnCancel) {
  OsError error;
  auto watch = files_.WatchFolder(dir_, &error);
  ASSERT_TRUE(watch) << error.ToString();
  std::thread writer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::ofstream(dir_ + "sub/deeper/new.txt") << "y";
  });
  EXPECT_TRUE(watch->WaitForChange());
  writer.join();
  watch->Cancel();
  EXPECT_FALSE(watch->WaitForChange());
  EXPECT_FALSE(files_.WatchFolder(dir_ + "missing", &error));
  EXPECT_FALSE(error.ok());
}

TEST_F(PosixFolders, AnExclusiveCreateFollowsNoSymbolicLink) {
  // Another user's link in a shared folder must not make us create or open its target.
  ASSERT_EQ(symlink((dir_ + "nowhere").c_str(), (dir_ + "dangling.tmp").c_str()), 0);
  ASSERT_EQ(symlink((dir_ + "a.txt").c_str(), (dir_ + "taken.tmp").c_str()), 0);
  EXPECT_EQ(files_.CreateExclusive(dir_ + "dangling.tmp").code(), oscode::kFileExists);
  EXPECT_EQ(files_.CreateExclusive(dir_ + "taken.tmp").code(), oscode::kFileExists);
  EXPECT_EQ(files_.Kind(dir_ + "nowhere"), PathKind::kNone);
}

TEST(PosixProcesses, ListsThisProcessByItsProgramName) {
  PosixProcesses processes;
  std::vector<ProcessEntry> list;
  ASSERT_TRUE(processes.List(&list).ok());
  const uint32_t self = static_cast<uint32_t>(getpid());
  auto it = std::find_if(list.begin(), list.end(), [&](const ProcessEntry& p) { return p.id == self; });
  ASSERT_NE(it, list.end());
  EXPECT_EQ(it->name, "platform_test");
}

TEST(PosixProcesses, RunAndWaitWaitsForTheCommandOrTheTimeOut) {
  PosixProcesses processes;
  char folder[] = "/tmp/plumo-run-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string marker = std::string(folder) + "/done";
  ASSERT_TRUE(processes.RunAndWait("sleep 0.1; echo ok > '" + marker + "'", 10000).ok());
  EXPECT_TRUE(std::ifstream(marker).good());
  std::remove(marker.c_str());
  // A command that outlives the time-out is left running.
  ASSERT_TRUE(processes.RunAndWait("sleep 0.5; echo late > '" + marker + "'", 50).ok());
  EXPECT_FALSE(std::ifstream(marker).good());
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  EXPECT_TRUE(std::ifstream(marker).good());
  std::remove(marker.c_str());
  rmdir(folder);
}

}  // namespace
}  // namespace plumo

namespace plumo {
namespace {

// However the copy's folder is named, a copy into its own source ends.
TEST_F(PosixFolders, ACopyIntoItsOwnSourceEnds) {
  ASSERT_TRUE(files_.CopyTree(dir_ + "sub", dir_ + "sub/./copy").ok());
  EXPECT_EQ(files_.Kind(dir_ + "sub/copy/deeper/d.txt"), PathKind::kFile);
  EXPECT_EQ(files_.Kind(dir_ + "sub/copy/copy"), PathKind::kNone);
}

}  // namespace
}  // namespace plumo
