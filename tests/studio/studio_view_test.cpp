// What the Step list shows (texts and colours by marks and results) and the menu table.
#include <gtest/gtest.h>

#include "fakes/fake_environment.h"
#include "fakes/fake_files.h"
#include "platform/memory/memory_registry.h"
#include "settings/settings_defaults.h"
#include "studio/run_tracking.h"
#include "studio/step_rows.h"
#include "studio/studio_start.h"
#include "studio/studio_commands.h"
#include "studio/studio_menu.h"

namespace plumo {
namespace {

class StudioViewTest : public testing::Test {
 protected:
  StudioViewTest() { WriteStartupDefaults(store_, {1280, 16, "C:\\Docs"}); }

  MemoryRegistry reg_;
  FakeEnvironment env_;
  FakeFiles files_;
  SettingsStore store_{reg_, env_, files_};
};

Step MakeStep(const char* action, uint32_t status = 0, uint8_t ranFlag = ran::kNotRun) {
  Step s;
  s.action = action;
  s.status = status;
  s.ranFlag = ranFlag;
  return s;
}

TEST_F(StudioViewTest, MarksWinOverResultsAndSkipOverBreakpoint) {
  const ListColours c = ReadListColours(store_);
  struct Case {
    Step step;
    bool results;
    uint32_t text, fill;
  } cases[] = {
      {MakeStep("Delay"), true, kDefault, kDefault},
      {MakeStep("Delay", status::kSkip | status::kBreakpoint, ran::kSucceeded), true, 0x808080, 0xF0F0F0},
      {MakeStep("Delay", status::kBreakpoint), false, 0xFFFFFF, 0x463A96},
      {MakeStep("Delay", status::kBookmark), false, kDefault, 0xF9D2BF},
      {MakeStep("Delay", status::kBookmark, ran::kSucceeded), true, kDefault, 0xECFFEC},
      {MakeStep("Delay", 0, ran::kSucceeded), false, kDefault, kDefault},  // results hidden
      {MakeStep("Delay", 0, ran::kFailed), true, kDefault, 0xF0ECFF},
      {MakeStep("Delay", 0, ran::kFailedPassedOver), true, 0x808080, 0xF0ECFF},
      {MakeStep("Delay", 0, ran::kRun), true, kDefault, kDefault},
      {MakeStep("comment"), false, 0xA000, 0xC0FFFF},
  };
  for (const Case& k : cases) {
    RowLook look = LookOfRow(k.step, c, k.results);
    EXPECT_EQ(look.text, k.text) << k.step.status << " ran " << int(k.step.ranFlag);
    EXPECT_EQ(look.fill, k.fill) << k.step.status << " ran " << int(k.step.ranFlag);
  }
  EXPECT_TRUE(LookOfRow(MakeStep("Comment"), c, false).italic);
}

TEST_F(StudioViewTest, ColumnsShowNumberIndentedActionAndTheFirstLineOfTheMainParameter) {
  const std::string indent = "   ";
  Step s = MakeStep("Wait for File");
  s.indents = 2;
  s.text = "first\r\nsecond";
  s.value1 = "v1";
  s.data = "window";
  s.comment = "why\tthis";
  EXPECT_EQ(ColumnText(s, 41, StepColumn::kNumber, indent), "42");
  EXPECT_EQ(ColumnText(s, 0, StepColumn::kAction, indent), "      Wait for File");
  EXPECT_EQ(ColumnText(s, 0, StepColumn::kDetails, indent), "first ...");
  EXPECT_EQ(ColumnText(s, 0, StepColumn::kComment, indent), "why this");
  struct {
    int32_t field;
    const char* shown;
  } primaries[] = {{primary::kNone, ""}, {primary::kText, "first\r\nsecond"}, {1, "v1"}, {primary::kData, "window"},
                   {primary::kOutputValue, ""}, {42, "first\r\nsecond"}};
  for (auto p : primaries) {
    s.primaryField = p.field;
    EXPECT_EQ(PrimaryText(s), p.shown) << p.field;
  }
  s.text = std::string(5000, 'x');
  s.primaryField = primary::kText;
  EXPECT_EQ(ColumnText(s, 0, StepColumn::kDetails, indent).size(), 259u);
}

TEST_F(StudioViewTest, TheGridSnapshotIsATableOfTheListAndItsResults) {
  Script script;
  script.steps.push_back(MakeStep("Beep"));
  Step loop = MakeStep("Delay");
  loop.indents = 1;
  loop.timeout = "2";
  loop.comment = "a\tb";
  script.steps.push_back(loop);
  const std::string text = GridSnapshotText(script, "  ", [](const Step& s) { return s.indents ? "Success" : "(Not Run)"; });
  EXPECT_EQ(text, "Step\tAction\tDetails\tComment\tResult\r\n"
                  "1\tBeep\t\t\t(Not Run)\r\n"
                  "2\t  Delay\t" + ColumnText(loop, 1, StepColumn::kDetails, "") + "\ta b\tSuccess\r\n");
}

TEST_F(StudioViewTest, TheSplashShowsShorterTheMoreTheStudioWasUsed) {
  struct {
    int uses;
    bool runs;
    int showSplash, ms;
  } cases[] = {{0, false, 1, 2500}, {3, false, 1, 2500}, {4, false, 1, 1000}, {7, false, 1, 1000},
               {8, false, 1, 500},  {3, true, 1, 0},     {3, false, 0, 0}};
  for (auto c : cases) {
    store_.WriteNumber(kUsesSetting, static_cast<uint32_t>(c.uses));
    store_.WriteNumber("*\\ShowSplash", static_cast<uint32_t>(c.showSplash));
    EXPECT_EQ(SplashMilliseconds(store_, c.runs), c.ms) << c.uses << " uses";
  }
  store_.Delete(kUsesSetting);
  EXPECT_TRUE(CountStudioUse(store_));
  EXPECT_FALSE(CountStudioUse(store_));
  EXPECT_EQ(store_.ReadNumber(kUsesSetting), 2);
}

TEST_F(StudioViewTest, TheFirstStartAssociatesScriptFilesWithTheProgram) {
  ASSERT_TRUE(AssociateScriptFiles(reg_, "C:\\Plumo\\Plumo.exe").ok());
  RegValue v;
  ASSERT_TRUE(reg_.ReadValue(RegRoot::kCurrentUser, "Software\\Classes\\.vxm", "", &v).ok());
  EXPECT_EQ(v.AsText(), "Plumo.Script");
  ASSERT_TRUE(reg_.ReadValue(RegRoot::kCurrentUser, "Software\\Classes\\Plumo.Script\\shell\\open\\command", "", &v).ok());
  EXPECT_EQ(v.AsText(), "\"C:\\Plumo\\Plumo.exe\" \"%1\"");
}

TEST_F(StudioViewTest, OpenFilesAreKeptForTheNextStartOnlyWhenAsked) {
  RememberFilesToReload(store_, {"C:\\a.vxm", "C:\\b.vxm"});
  EXPECT_TRUE(FilesToReload(store_).empty());  // *\ReloadFiles is off by default
  store_.WriteNumber("*\\ReloadFiles", 1);
  std::vector<std::string> many = {"", "C:\\a.vxm", std::string(2100, 'x')};
  for (int i = 0; i < 10; ++i) many.push_back("C:\\f" + std::to_string(i) + ".vxm");
  RememberFilesToReload(store_, many);
  std::vector<std::string> back = FilesToReload(store_);
  ASSERT_EQ(back.size(), 8u);  // the untitled and the too long names are left out, then eight
  EXPECT_EQ(back[0], "C:\\a.vxm");
  EXPECT_EQ(back[7], "C:\\f6.vxm");
}

TEST(RunTracking, SettingsWithTheirDefaults) {
  MemoryRegistry reg;
  FakeEnvironment env;
  FakeFiles files;
  SettingsStore store{reg, env, files};
  TrackingLook look = ReadTrackingLook(store, 1024);
  EXPECT_EQ(look.x, 744);
  EXPECT_EQ(look.y, 30);
  EXPECT_EQ(look.width, 250);
  EXPECT_EQ(look.alphaPercent, 85);
  EXPECT_EQ(look.timeoutMs, 3000u);
  EXPECT_EQ(look.fill, 0xECFFECu);
  store.WriteNumber("*\\RunTrackingX", 0);
  store.WriteNumber("*\\RunTrackingAlpha", 400);
  store.WriteNumber("*\\RunTrackingTimeout", 500);
  store.WriteNumber("*\\Colors\\ResultSuccessFill", 0x123456);
  look = ReadTrackingLook(store, 1024);
  EXPECT_EQ(look.x, 0);
  EXPECT_EQ(look.alphaPercent, 100);
  EXPECT_EQ(look.timeoutMs, 500u);
  EXPECT_EQ(look.fill, 0x123456u);
  EXPECT_EQ(TrackingHeight(16), 42);
}

TEST(StudioMenu, EveryCommandOfTheMainMenuIsInTheTableOnce) {
  const uint16_t main[] = {1067, 1012, 1018, 1013, 1014, 1015, 1016, 1059, 1017, 1002, 1024, 1061, 1020, 1021, 1022,
                           1440, 1023, 1025, 1019, 1048, 1065, 1073, 1074, 1055, 1056, 1070, 1066, 1051, 1026, 1079,
                           1078, 1027, 1075, 1043, 1076, 1047, 1049, 1044, 1045, 1095, 1086, 1097, 1085, 1094, 1096,
                           1046, 1100, 1068, 1060, 1034, 1035, 1040, 1039, 1054, 1041, 1028, 1072, 1071, 1062, 1052,
                           1029, 1031, 1030, 1069, 1032, 1077, 1057, 1037, 1064, 1063, 1042, 1439, 1053, 1098, 1038,
                           1437, 1099, 1036, 1058, 1033, 1080, 1050, 1101, 1102, 1003};
  for (uint16_t id : main) {
    const MenuItem* item = FindMenuItem(id);
    ASSERT_NE(item, nullptr) << id;
    EXPECT_NE(item->help, nullptr) << id;
  }
  for (uint16_t id = 1081; id <= 1093; ++id) {
    const bool style = id == 1085 || id == 1086;
    EXPECT_NE(FindMenuItem(id), nullptr) << (style ? "interface style " : "border size ") << id;
  }
  // Close Active File stands in two menus; every other command in one.
  int closes = 0;
  for (const MenuItem& item : MainMenuItems()) closes += item.id == 1018;
  EXPECT_EQ(closes, 2);
  // Every command a key can be given is in the menu.
  for (const KeyedCommand& k : StudioCommands()) EXPECT_NE(FindMenuItem(k.id), nullptr) << k.name;
}

}  // namespace
}  // namespace plumo
