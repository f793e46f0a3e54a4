#include "compiler/program_builder.h"

#include <gtest/gtest.h>

#include "fakes/fake_files.h"
#include "fakes/fake_messages.h"

namespace plumo {
namespace {

Step MakeStep(const char* action, int category, uint32_t status = 0) {
  Step s;
  s.action = action;
  s.category = category;
  s.status = status;
  return s;
}

Script MakeScript(std::initializer_list<Step> steps) {
  Script script;
  script.steps = steps;
  return script;
}

TEST(CorrectOutputName, GivesThePlatformsExtensionAndAFolder) {
  struct Case {
    const char* name;
    Platform platform;
    const char* want;
  } cases[] = {
      {"C:\\out\\a.exe", Platform::kWindows, "C:\\out\\a.exe"},
      {"C:\\out\\a.EXE", Platform::kWindows, "C:\\out\\a.EXE"},
      {"C:\\out\\a.exe", Platform::kConsole, "C:\\out\\a.com"},
      {"C:\\out\\a.exe", Platform::kDll, "C:\\out\\a.dll"},
      {"C:\\out\\a.DLL", Platform::kWindows, "C:\\out\\a.exe"},
      {"C:\\out\\a.com.exe", Platform::kDll, "C:\\out\\a.dll"},
      {"C:\\out\\a.txt", Platform::kConsole, "C:\\out\\a.txt.com"},
      {"a.exe", Platform::kConsole, "C:\\cwd\\a.com"},
      {"", Platform::kWindows, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(CorrectOutputName(c.name, c.platform, "C:\\cwd"), c.want) << c.name;
  EXPECT_EQ(CorrectOutputName("a", Platform::kWindows, "C:\\"), "C:\\a.exe");
}

TEST(CountSteps, SkipsCommentsAndMarkedStepsAndStopsAtAnUnknownCategory) {
  EXPECT_EQ(CountSteps(MakeScript({MakeStep("Comment", 1), MakeStep("Comment", 1)})).counted, 0);
  EXPECT_EQ(CountSteps(MakeScript({MakeStep("Delay", 3, 1)})).counted, 0);
  EXPECT_EQ(CountSteps(MakeScript({MakeStep("Delay", 3, 2)})).counted, 0);
  EXPECT_EQ(CountSteps(MakeScript({MakeStep("Delay", 3, 3)})).counted, 1);  // skipped and bookmarked
  EXPECT_EQ(CountSteps(MakeScript({MakeStep("Delay", 3, 0x10)})).counted, 1);

  StepCount c = CountSteps(MakeScript(
      {MakeStep("Comment", 1), MakeStep("Delay", 3), MakeStep("Type", 2), MakeStep("Odd", 17), MakeStep("Delay", 3)}));
  EXPECT_EQ(c.counted, 2);
  EXPECT_EQ(c.first, 1);
  EXPECT_EQ(c.perCategory[3], 1);
  EXPECT_EQ(c.perCategory[2], 1);
  EXPECT_EQ(CountSteps(MakeScript({MakeStep("Delay", 0), MakeStep("Delay", 3)})).counted, 0);
}

TEST(RuntimeImageId, FollowsTheSelectionTable) {
  const Step prompt = MakeStep("Input Value", 8);
  const Step ftp = MakeStep("FTP Download", 11);
  const Step call = MakeStep("Call Script", 3);
  const Step selectFile = MakeStep("Select File", 8);
  const Step message = MakeStep("Display Message", 8);
  const Step plain = MakeStep("Delay", 3);
  struct Case {
    Script script;
    int windows, console, dll;
  } cases[] = {
      {MakeScript({call, prompt, ftp}), 1005, 1010, 1008},
      {MakeScript({prompt, ftp}), 1005, 1010, 1008},
      {MakeScript({prompt}), 1004, 1010, 1007},
      {MakeScript({ftp}), 1003, 1010, 1008},
      {MakeScript({plain}), 1002, 1009, 1006},
      {MakeScript({selectFile, message}), 1002, 1009, 1006},  // no prompts in this sense
      {MakeScript({MakeStep("Comment", 1), MakeStep("Input Value", 8, 1)}), 1002, 1009, 1006},
  };
  for (const auto& c : cases) {
    StepCount count = CountSteps(c.script);
    EXPECT_EQ(RuntimeImageId(Platform::kWindows, count), c.windows) << c.script.steps[0].action.str();
    EXPECT_EQ(RuntimeImageId(Platform::kConsole, count), c.console) << c.script.steps[0].action.str();
    EXPECT_EQ(RuntimeImageId(Platform::kDll, count), c.dll) << c.script.steps[0].action.str();
  }
}

TEST(SummaryLines, ShowIconAndSingleInstanceOnlyForWindowsPrograms) {
  BuildRequest r;
  r.output = "C:\\a.exe";
  r.version = "2.5.1";
  r.singleInstance = true;
  r.packaging = packaging::kDataFiles;
  const std::vector<std::string> windows = {
      " ",
      "--------- COMPILE PROGRAM ---------",
      "    EXE Output File:    C:\\a.exe",
      "    Icon File:          (none)",
      "    Version:            2.5.1",
      "    Copyright:          (none)",
      "    Description:        (none)",
      "    Compress:           No",
      "    Single Instance:    Yes",
      "    Encrypt:            No",
      "    Embed Image Files:  No",
      "    Embed Data Files:   Yes",
      "    Platform:           WIN32",
      "Compiling 'C:\\a.vxm'...",
  };
  EXPECT_EQ(SummaryLines(r, "C:\\a.vxm"), windows);
  r.platform = Platform::kDll;
  std::vector<std::string> dll = SummaryLines(r, "C:\\a.vxm");
  ASSERT_EQ(dll.size(), windows.size() - 2);
  EXPECT_EQ(dll[3], "    Version:            2.5.1");
  EXPECT_EQ(dll[dll.size() - 2], "    Platform:           Dynamic Link Library (DLL)");
  r.platform = Platform::kConsole;
  EXPECT_EQ(SummaryLines(r, "x")[10], "    Platform:           CONSOLE");
}

TEST(RuntimeLibraryPath, ReplacesTheProgramsExtension) {
  EXPECT_EQ(RuntimeLibraryPath("C:\\Plumo\\Plumo.com"), "C:\\Plumo\\PlumoRes.DLL");
  EXPECT_EQ(RuntimeLibraryPath("C:\\Plumo\\PLUMO.EXE"), "C:\\Plumo\\PLUMORes.DLL");
  EXPECT_EQ(RuntimeLibraryPath("/usr/bin/plumoc"), "/usr/bin/plumocRes.DLL");
}

TEST(BuildProgram, RefusesWithTheUsersMessagesAndWritesNothing) {
  RecordingMessages messages;
  FakeFiles files;
  std::vector<std::string> lines;
  BuildServices services{messages, [&](std::string_view l) { lines.emplace_back(l); }, files, "C:\\cwd",
                         "C:\\Plumo\\PlumoRes.DLL"};
  BuildRequest r;
  r.output = "a.exe";
  EXPECT_EQ(BuildProgram(services, MakeScript({MakeStep("Comment", 1)}), r), 0);
  r.output.clear();
  EXPECT_EQ(BuildProgram(services, MakeScript({MakeStep("Delay", 3)}), r), 0);
  r.output = "a.exe";
  EXPECT_EQ(BuildProgram(services, MakeScript({MakeStep("Delay", 3)}), r), 0);
  ASSERT_EQ(messages.shown.size(), 3u);
  EXPECT_EQ(messages.shown[0], (ShownMessage{"Nothing to compile", "Compile EXE"}));
  EXPECT_EQ(messages.shown[1], (ShownMessage{"No output file name provided", "Compile EXE"}));
  EXPECT_EQ(messages.shown[2],
            (ShownMessage{"Unable to find required system file for compile.\n\nPlease re-install the application.",
                          "Compile EXE"}));
  EXPECT_TRUE(lines.empty());
}

TEST(BuildProgram, SaysPlainlyThatWritingProgramsIsNotAvailable) {
  RecordingMessages messages;
  FakeFiles files;
  files.AddFile("C:\\Plumo\\PlumoRes.DLL", 10);
  BuildServices services{messages, [](std::string_view) {}, files, "C:\\cwd", "C:\\Plumo\\PlumoRes.DLL"};
  BuildRequest r;
  r.output = "a.exe";
  EXPECT_EQ(BuildProgram(services, MakeScript({MakeStep("Delay", 3)}), r), 0);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_NE(messages.shown[0].text.find("not available"), std::string::npos);
}

}  // namespace
}  // namespace plumo
