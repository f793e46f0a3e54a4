#include "studio/startup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "fakes/fake_files.h"
#include "fakes/fake_environment.h"
#include "platform/memory/memory_registry.h"
#include "studio/studio_commands.h"

namespace plumo {
namespace {

class StartupTest : public testing::Test {
 protected:
  MemoryRegistry reg_;
  FakeEnvironment env_;
  FakeFiles files_;
  SettingsStore store_{reg_, env_, files_};
};

TEST(StartupIni, NameBesideTheProgram) {
  EXPECT_EQ(IniPathOf("C:\\Program Files\\Plumo\\Plumo.exe"), "C:\\Program Files\\Plumo\\Plumo.INI");
  EXPECT_EQ(IniPathOf("C:\\P\\TOOL.EXE"), "C:\\P\\TOOL.INI");
  EXPECT_EQ(IniPathOf("/usr/bin/plumo"), "/usr/bin/plumo.ini");
}

TEST(StartupIni, ReadsTheKeyOverride) {
  struct Case {
    std::string ini;
    std::string want;
  } cases[] = {
      {"[Plumo Studio]\r\nUserRegistryKey=Second\r\n", "Second"},
      {"; comment\n[ plumo studio ]\n  userregistrykey =  Second Copy  \n", "Second Copy"},
      {"[Plumo Studio]\nUserRegistryKey=\"Quoted\"\n", "Quoted"},
      {"[Other]\nUserRegistryKey=Second\n[Plumo Studio]\nX=1\n", ""},
      {"[Plumo Studio]\nUserRegistryKey=Plumo\n", ""},
      {"[Plumo Studio]\nUserRegistryKey=PLUMO\n", ""},
      {"[Plumo Studio]\nUserRegistryKey=" + std::string(100, 'k') + "\n", std::string(63, 'k')},
      {"UserRegistryKey=NoSection\n", ""},
      {"[Plumo Studio\nUserRegistryKey=Broken\n", ""},
      {std::string("\0\xff[", 3), ""},
  };
  for (const auto& c : cases) EXPECT_EQ(KeyOverrideFromIni(c.ini), c.want) << c.ini;
}

TEST_F(StartupTest, TheIniBesideTheProgramMovesTheSettings) {
  auto dir = std::filesystem::temp_directory_path() / "plumo-startup-ini";
  std::filesystem::create_directories(dir);
  std::ofstream((dir / "Plumo.INI").string()) << "[Plumo Studio]\nUserRegistryKey=Second\n";
  ApplyIniKeyOverride(store_, (dir / "Plumo.exe").string());
  std::filesystem::remove_all(dir);
  EXPECT_EQ(store_.keyOverride(), "Second");
  store_.WriteNumber("*\\OnTop", 1);
  EXPECT_TRUE(reg_.KeyExists(RegRoot::kCurrentUser, "SOFTWARE\\Second"));
  ApplyIniKeyOverride(store_, (dir / "Missing.exe").string());
  EXPECT_EQ(store_.keyOverride(), "Second");  // no INI: nothing changes
}

TEST_F(StartupTest, LoggingSwitches) {
  store_.WriteNumber("SOFTWARE\\Plumo\\LogLevel", 1);
  ProcessLogging on = ApplyLoggingSwitches(store_, ParseStartRequest("-L"));
  EXPECT_EQ(on.level, 2);
  EXPECT_TRUE(on.everyLineToOutput);
  EXPECT_EQ(store_.ReadNumber("*\\LogLevel"), 1);
  ProcessLogging both = ApplyLoggingSwitches(store_, ParseStartRequest("-L -F"));
  EXPECT_EQ(both.level, 0);
  EXPECT_TRUE(both.everyLineToOutput);
  EXPECT_EQ(store_.Probe("*\\LogLevel"), 0u);
  EXPECT_EQ(ApplyLoggingSwitches(store_, ParseStartRequest("")).level, -1);
}

TEST_F(StartupTest, CommandLineVariablesBecomePersistentUserVariables) {
  EXPECT_EQ(StoreCommandLineVariables(store_, "-r a.vxm %a=1 %b='x y' %c=50%"), 3);
  EXPECT_EQ(store_.ReadText("SOFTWARE\\Plumo\\UserVariables\\a", 256), "1");
  EXPECT_EQ(store_.ReadText("SOFTWARE\\Plumo\\UserVariables\\b", 256), "x y");
  EXPECT_EQ(store_.ReadText("SOFTWARE\\Plumo\\UserVariables\\c", 256), "50");
}

TEST_F(StartupTest, WindowPlacement) {
  struct Case {
    int left, top, width, height;  // saved
    int screenW, screenH;
    WindowPlacement want;
  } cases[] = {
      {10, 20, 800, 600, 1024, 768, {10, 20, 800, 600}},
      {10, 20, 40, 600, 1024, 768, {50, 50, 924, 668}},  // too narrow
      {10, 20, 600, 49, 1024, 768, {50, 50, 924, 668}},
      {0, 0, 0, 0, 1280, 1024, {50, 50, 1180, 924}},
      {0, 0, 0, 0, 1920, 1200, {100, 100, 1080, 824}},
      {0, 0, 0, 0, 2560, 1024, {50, 50, 1180, 924}},
  };
  for (const auto& c : cases) {
    store_.WriteNumber("*\\window_left", c.left);
    store_.WriteNumber("*\\window_top", c.top);
    store_.WriteNumber("*\\window_width", c.width);
    store_.WriteNumber("*\\window_height", c.height);
    EXPECT_EQ(MainWindowPlacement(store_, c.screenW, c.screenH), c.want) << c.width << "x" << c.height;
  }
}

TEST(StartupTexts, StatusLine) {
  EXPECT_EQ(StartupStatusText(WindowsName(6, 1, true)), " Plumo Studio 7.76 running on Microsoft Windows 7");
  EXPECT_EQ(WindowsName(5, 1, true), "Windows XP");
  EXPECT_EQ(WindowsName(4, 0, false), "Windows 95");
  EXPECT_EQ(WindowsName(4, 0, true), "Windows NT");
  EXPECT_EQ(WindowsName(10, 0, true), "Windows");
}

TEST(StudioCommands, DefaultKeys) {
  using namespace keymod;
  struct Case {
    const char* name;
    uint8_t key;
    uint8_t modifiers;
  } cases[] = {
      {"New", 'N', kCtrl},          {"Open", 'O', kCtrl},
      {"Save", 'S', kCtrl},         {"Find...", 'F', kCtrl},
      {"Find Next", 0x72, 0},       {"Find Previous", 0x72, kShift},
      {"Replace...", 'H', kCtrl},   {"Toggle Bookmark", 0x71, kCtrl},
      {"Goto Next Bookmark", 0x71, 0}, {"Goto Previous Bookmark", 0x71, kShift},
      {"Go to Step...", 'G', kCtrl}, {"Show Actions", '1', kAlt},
      {"Show Properties", '2', kAlt}, {"Show Output", '3', kAlt},
      {"Show Variables", '4', kAlt}, {"Move Up", 0x26, kAlt},
      {"Move Down", 0x28, kAlt},    {"Decrease Indent", 0x25, kAlt},
      {"Increase Indent", 0x27, kAlt}, {"Skip", 0x77, 0},
      {"Breakpoint", 0x78, 0},      {"Remove All Skips", 0x77, kShift},
      {"Remove All Breakpoints", 0x78, kShift}, {"Add Comment", 0x2D, 0},
      {"Run", 0x74, 0},             {"Run From Here", 0x75, 0},
      {"Run Single Step", 0x76, 0}, {"Stop", 0x13, 0},
      {"Track Mouse", 0x7A, 0},
  };
  auto commands = StudioCommands();
  EXPECT_LE(commands.size(), kKeyboardMapSize);
  size_t withKeys = 0;
  std::set<uint16_t> ids;
  std::set<std::string> names;
  for (const auto& c : commands) {
    withKeys += c.defaultKey != 0;
    ids.insert(c.id);
    names.insert(c.name);
  }
  EXPECT_EQ(ids.size(), commands.size());
  EXPECT_EQ(names.size(), commands.size());
  EXPECT_EQ(withKeys, std::size(cases));
  for (const auto& c : cases) {
    auto it = std::find_if(commands.begin(), commands.end(), [&](const KeyedCommand& k) { return k.name == std::string(c.name); });
    ASSERT_NE(it, commands.end()) << c.name;
    EXPECT_EQ(it->defaultKey, c.key) << c.name;
    EXPECT_EQ(it->defaultModifiers, c.modifiers) << c.name;
  }
}

}  // namespace
}  // namespace plumo
