#include "settings/settings_defaults.h"

#include <gtest/gtest.h>

#include "fakes/fake_files.h"
#include "fakes/fake_environment.h"
#include "platform/memory/memory_registry.h"

namespace plumo {
namespace {

class SettingsDefaultsTest : public testing::Test {
 protected:
  MemoryRegistry reg_;
  FakeEnvironment env_;
  FakeFiles files_;
  SettingsStore store_{reg_, env_, files_};
  DefaultsContext context_{1920, 16, "C:\\Users\\Test\\Documents\\"};
};

TEST_F(SettingsDefaultsTest, EveryRowIsWrittenOnAnEmptyRegistry) {
  WriteStartupDefaults(store_, context_);
  EXPECT_EQ(InterfaceDefaults().size(), 14u);
  EXPECT_EQ(GeneralDefaults().size(), 72u);
  for (auto table : {InterfaceDefaults(), GeneralDefaults()})
    for (const auto& row : table) EXPECT_NE(store_.Probe(row.path), 0u) << row.path;

  struct Number {
    const char* path;
    int32_t want;
  } numbers[] = {
      {"*\\RunTrackingX", 1920 - 280},
      {"*\\Palettes\\Properties\\RowHeight", 16 + 6},
      {"*\\RunTrackingTimeout", 3000},
      {"*\\Palettes\\MainList\\IndentNewColumns", 1},
      {"*\\Palettes\\MainList\\IndentCommentMode", 2},
      {"*\\Colors\\BreakFill", 0x463A96},
      {"*\\Colors\\Bookmark", 0xF9D2BF},
      {"*\\MaskColor", 0xFF00FF},
      {"*\\Palettes\\Output\\WrapLength", 32000},
      {"*\\RecentFileCount", 16},
      {"*\\ReloadFiles_List", 0},
      {"*\\Report\\stats_active", 1},
  };
  for (const auto& n : numbers) EXPECT_EQ(store_.ReadNumber(n.path), n.want) << n.path;
  struct Text {
    const char* path;
    const char* want;
  } texts[] = {
      {"*\\Compile\\Copyright", "Copyright \xA9 2010 My Company. All Rights Reserved."},
      {"*\\Compile\\Description", "My Automation Script"},
      {"*\\Compile\\Version", "1.0"},
      {"*\\Palettes\\Output\\Font", "Courier New"},
      {"*\\DefaultFailureMode", "Display Error and Stop"},
      {"*\\Logfile", "C:\\Users\\Test\\Documents\\PlumoLog.txt"},
      {"*\\Report\\ResultText_0", "(Not Run)"},
      {"*\\Report\\ResultText_4", "Fail and Continue"},
  };
  for (const auto& t : texts) EXPECT_EQ(store_.ReadText(t.path, 256), t.want) << t.path;
}

TEST_F(SettingsDefaultsTest, PresentValuesAreLeftAlone) {
  store_.WriteNumber("*\\InterStepDelay", 250);
  store_.WriteText("*\\Palettes\\Output\\Font", "Consolas");
  store_.WriteNumber("*\\OnTop", 1);
  WriteStartupDefaults(store_, context_);
  EXPECT_EQ(store_.ReadNumber("*\\InterStepDelay"), 250);
  EXPECT_EQ(store_.ReadText("*\\Palettes\\Output\\Font", 64), "Consolas");
  EXPECT_EQ(store_.ReadNumber("*\\OnTop"), 1);
}

TEST_F(SettingsDefaultsTest, ResetAllRewritesGeneralRowsAndClearsHistory) {
  WriteStartupDefaults(store_, context_);
  store_.WriteNumber("*\\InterStepDelay", 250);
  store_.WriteNumber("*\\OnTop", 1);
  store_.WriteText("*\\RecentFile1", "a.vxm");
  store_.WriteText("*\\RecentFile32", "b.vxm");
  store_.WriteNumber("SOFTWARE\\Plumo\\Report\\stats_total_uses", 9);
  store_.WriteText("*\\DefaultOutputTo", "x");

  ResetAllSettings(store_, context_);
  EXPECT_EQ(store_.ReadNumber("*\\InterStepDelay"), 0);
  EXPECT_EQ(store_.ReadNumber("*\\OnTop"), 1);  // an interface row
  EXPECT_EQ(store_.Probe("*\\RecentFile1"), 0u);
  EXPECT_EQ(store_.Probe("*\\RecentFile32"), 0u);
  EXPECT_EQ(store_.Probe("SOFTWARE\\Plumo\\Report\\"), 0u);
  EXPECT_EQ(store_.Probe("*\\DefaultOutputTo"), 0u);
  EXPECT_EQ(store_.Probe("*\\DefaultFailureMode"), 0u);

  WriteStartupDefaults(store_, context_);  // the next start
  EXPECT_EQ(store_.ReadText("*\\DefaultFailureMode", 64), "Display Error and Stop");
  EXPECT_EQ(store_.ReadText("*\\Report\\ResultText_2", 64), "Success");
}

TEST_F(SettingsDefaultsTest, InterfaceResetTouchesInterfaceRowsOnly) {
  WriteStartupDefaults(store_, context_);
  store_.WriteNumber("*\\RunTrackingY", 500);
  store_.WriteNumber("*\\InterStepDelay", 250);
  store_.WriteText("SOFTWARE\\Plumo\\Palettes\\EditDlgPos", "1,2");
  store_.WriteText("SOFTWARE\\Plumo\\Palettes\\ListDlgPos", "3,4");
  ResetUserInterface(store_, context_);
  EXPECT_EQ(store_.ReadNumber("*\\RunTrackingY"), 30);
  EXPECT_EQ(store_.ReadNumber("*\\InterStepDelay"), 250);
  EXPECT_EQ(store_.Probe("SOFTWARE\\Plumo\\Palettes\\EditDlgPos"), 0u);
  EXPECT_EQ(store_.Probe("SOFTWARE\\Plumo\\Palettes\\ListDlgPos"), 0u);
}

TEST_F(SettingsDefaultsTest, StartHousekeepingDropsObsoleteValuesAndExtraRecentFiles) {
  for (const char* p : {"SOFTWARE\\Plumo\\ShowGlobalVars", "SOFTWARE\\Plumo\\LocalVariables",
                        "SOFTWARE\\Plumo\\Palettes\\MainList\\GridStyle",
                        "SOFTWARE\\Plumo\\Palettes\\MainList\\GridStyle_AltColor",
                        "SOFTWARE\\Plumo\\Palettes\\MainList\\BASICEditor", "SOFTWARE\\Plumo\\Colors\\SkipItalic"})
    store_.WriteNumber(p, 1);
  struct Case {
    int count;
    int kept;  // RecentFile1..kept survive
  } cases[] = {{5, 5}, {0, 0}, {31, 31}, {32, 32}, {-1, 32}, {40, 32}};
  for (const auto& c : cases) {
    for (int n = 1; n <= 32; ++n) store_.WriteText("*\\RecentFile%d", "f", {n});
    store_.WriteNumber("*\\RecentFileCount", static_cast<uint32_t>(c.count));
    WriteStartupDefaults(store_, context_);
    for (int n = 1; n <= 32; ++n)
      EXPECT_EQ(store_.Probe("*\\RecentFile%d", {n}) != 0, n <= c.kept) << "count " << c.count << " file " << n;
  }
  std::vector<std::string> left;
  EXPECT_TRUE(reg_.ListValues(RegRoot::kCurrentUser, "SOFTWARE\\Plumo\\Palettes\\MainList", &left).ok());
  for (const auto& name : left) EXPECT_TRUE(name.rfind("Indent", 0) == 0 || name == "AllowDragDrop") << name;
  EXPECT_EQ(store_.Probe("SOFTWARE\\Plumo\\ShowGlobalVars"), 0u);
  EXPECT_EQ(store_.Probe("SOFTWARE\\Plumo\\Colors\\SkipItalic"), 0u);
}

class NoDocumentsEnvironment : public FakeEnvironment {
 public:
  std::string DocumentsFolder() override { return std::string(); }
};

TEST(DocumentsFolder, FallsBackToTheShellFoldersValue) {
  MemoryRegistry reg;
  NoDocumentsEnvironment env;
  FakeFiles files;
  SettingsStore store(reg, env, files);
  EXPECT_EQ(DocumentsFolderOf(env, store), "");
  store.WriteText("HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders\\Personal",
                  "D:\\Docs");
  EXPECT_EQ(DocumentsFolderOf(env, store), "D:\\Docs\\");
  FakeEnvironment withDocs;
  EXPECT_EQ(DocumentsFolderOf(withDocs, store), "C:\\Users\\Test\\Documents\\");
}

}  // namespace
}  // namespace plumo
