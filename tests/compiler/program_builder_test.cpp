#include "compiler/program_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "base/text.h"
#include "compiler/program_image.h"
#include "compiler/version_info.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_files.h"
#include "fakes/fake_processes.h"
#include "fakes/fake_program_resources.h"
#include "sample_version_block.h"
#include "scripts/packed.h"
#include "scripts/pe_resources.h"
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
      {MakeScript({MakeStep("IF Internet", 14)}), 1003, 1010, 1008},
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

constexpr const char* kLibrary = "C:\\Plumo\\PlumoRes.DLL";
constexpr const char* kOutput = "C:\\cwd\\a.exe";

// A runtime image as PlumoRes.DLL stores it: without its DOS header, so "PE" comes first.
std::string RuntimeImage(int id) {
  return std::string("PE\0\0", 4) + std::string(60, 'i') + "~BUFFER~7.76" + " image " + std::to_string(id);
}

// A build's surroundings: a runtime library with every image, a Script of one Step.
struct Builds {
  Builds() {
    files.AddFolder("C:\\cwd");
    files.AddFolder("C:\\Plumo");
    files.Put(kLibrary, "library");
    for (int id = 1002; id <= 1010; ++id)
      resources.Put(kLibrary, restype::kRcData, ResourceName::Number(id), 0x409, *Pack(RuntimeImage(id)));
    request.output = "a.exe";
    script.path = "C:\\cwd\\a.vxm";
    script.steps = {MakeStep("Delay", 3)};
  }
  int Build() {
    BuildServices services{messages, [&](std::string_view l) { lines.emplace_back(l); },
                           files,    clock,
                           resources, processes,
                           "C:\\cwd", "C:\\Temp",
                           kLibrary, [](std::string_view t) {
                             std::string s(t);
                             ReplaceAllNoCase(s, "%dir%", "C:\\data");
                             return s;
                           }};
    const uint32_t before = clock.TickCount();
    const int result = BuildProgram(services, script, request);
    paused = clock.TickCount() - before;
    return result;
  }
  bool Printed(std::string_view line) const { return std::find(lines.begin(), lines.end(), line) != lines.end(); }
  std::string ScriptResource(const std::string& file = kOutput) {
    const auto* item = resources.Get(file, restype::kRcData, kCompiledScriptResource);
    return item ? Unpack(item->bytes).value_or("(damaged)") : "(none)";
  }

  RecordingMessages messages;
  FakeFiles files;
  FakeClock clock;
  FakeProgramResources resources;
  FakeProcesses processes;
  std::vector<std::string> lines;
  uint32_t paused = 0;
  BuildRequest request;
  Script script;
};

class BuildProgramTest : public testing::Test, public Builds {};

TEST_F(BuildProgramTest, RefusesWithTheUsersMessagesAndWritesNothing) {
  script.steps = {MakeStep("Comment", 1)};
  EXPECT_EQ(Build(), 0);
  script.steps = {MakeStep("Delay", 3)};
  request.output.clear();
  EXPECT_EQ(Build(), 0);
  request.output = "a.exe";
  EXPECT_TRUE(files.Delete(kLibrary).ok());
  EXPECT_EQ(Build(), 0);
  ASSERT_EQ(messages.shown.size(), 3u);
  EXPECT_EQ(messages.shown[0], (ShownMessage{"Nothing to compile", "Compile EXE"}));
  EXPECT_EQ(messages.shown[1], (ShownMessage{"No output file name provided", "Compile EXE"}));
  EXPECT_EQ(messages.shown[2],
            (ShownMessage{"Unable to find required system file for compile.\n\nPlease re-install the application.",
                          "Compile EXE"}));
  EXPECT_TRUE(lines.empty());
  EXPECT_FALSE(files.Has(kOutput));
}

TEST_F(BuildProgramTest, AnOutputThatCannotBeReplacedIsLeftAlone) {
  files.Put(kOutput, "old program");
  files.Lock(kOutput);
  EXPECT_EQ(Build(), 0);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0], (ShownMessage{"Unable to create EXE output file", kOutput}));
  EXPECT_EQ(files.Content(kOutput), "old program");
}

TEST_F(BuildProgramTest, AMissingRuntimeImageIsReportedWithTheSystemsText) {
  resources = FakeProgramResources();
  EXPECT_EQ(Build(), 0);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].text,
            "Unable to create EXE output.  \n\nError Message: \"The specified resource name cannot be found in the "
            "image file.\"");
  EXPECT_FALSE(files.Has(kOutput));
}

TEST_F(BuildProgramTest, AWindowsProgramGetsItsHeaderOptionBlockVersionAndScript) {
  script.steps = {MakeStep("Delay", 3), MakeStep("Set Variable", 4)};
  script.steps[0].comment = "not carried";
  request.singleInstance = true;
  request.version = "2.5.1";
  request.copyright = "(c) Demo";
  resources.Put(kOutput, restype::kVersion, ResourceName::Number(1), 0x407, sample::SampleBlock());
  ASSERT_EQ(Build(), 1) << (messages.shown.empty() ? "" : messages.shown[0].text);
  EXPECT_TRUE(messages.shown.empty());

  std::string image = RuntimeImage(1002);
  image.replace(image.find("~BUFFER~"), 7, "1_1002_");
  const std::string program = files.Content(kOutput);
  ASSERT_EQ(program.size(), kDosHeaderSize + image.size());
  EXPECT_EQ(program.substr(0, 2), "MZ");
  EXPECT_EQ(program.substr(0x3C, 4), std::string("\x80\0\0\0", 4));
  EXPECT_EQ(program.substr(kDosHeaderSize), image);

  const std::string text = ScriptResource();
  EXPECT_EQ(text, CompiledScriptText(script));
  EXPECT_EQ(text.rfind("<Plumo>\r\n<step>", 0), 0u);
  EXPECT_EQ(text.find("not carried"), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 8), "</Plumo>");

  const auto& version = resources.Of(kOutput);
  ASSERT_EQ(std::count_if(version.begin(), version.end(), [](const auto& i) { return i.type == restype::kVersion; }), 1);
  uint16_t language = 0;
  std::string expected = sample::SampleBlock();
  PatchVersionInfo(expected, {{2, 5, 1, 0}, "(c) Demo", ""}, &language);
  EXPECT_EQ(resources.Get(kOutput, restype::kVersion, 1)->bytes, expected);

  EXPECT_TRUE(Printed("--------- COMPILE PROGRAM ---------"));
  EXPECT_TRUE(Printed("Compiling 'C:\\cwd\\a.vxm'..."));
  EXPECT_TRUE(Printed("Successfully created [C:\\cwd\\a.exe]"));
  EXPECT_EQ(lines.back(), " ");
  EXPECT_EQ(paused, 250u + 250 + 100 + 500 + 500 + 150);  // no compression
}

TEST_F(BuildProgramTest, QuietBuildsPrintNothingAndAnEmptyVersionLeavesTheImagesOwn) {
  request.quiet = true;
  request.copyright = "(c) ignored without a version";
  resources.Put(kOutput, restype::kVersion, ResourceName::Number(1), 0x407, sample::SampleBlock());
  ASSERT_EQ(Build(), 1);
  EXPECT_TRUE(lines.empty());
  EXPECT_EQ(resources.Get(kOutput, restype::kVersion, 1)->bytes, sample::SampleBlock());
  EXPECT_NE(files.Content(kOutput).find("~_1002_"), std::string::npos);  // marked, not single instance
}

TEST_F(BuildProgramTest, EncryptionAppendsTheScrambledScriptExceptForADll) {
  request.encrypt = true;
  ASSERT_EQ(Build(), 1);
  EXPECT_EQ(ScriptResource(), "(none)");
  EXPECT_TRUE(Printed("Encrypting..."));
  const std::string program = files.Content(kOutput);
  const uint32_t length = static_cast<uint8_t>(program[program.size() - 4]) |
                          static_cast<uint8_t>(program[program.size() - 3]) << 8;
  std::string block = program.substr(program.size() - 4 - length, length);
  EXPECT_EQ(program.size() - 4 - length, kDosHeaderSize + RuntimeImage(1002).size());
  Scramble(block);
  EXPECT_EQ(Unpack(block).value_or(""), CompiledScriptText(script));

  request.platform = Platform::kDll;
  request.singleInstance = true;
  request.icon = "C:\\icons\\app.ico";  // a DLL gets none, so the missing file does not matter
  lines.clear();
  ASSERT_EQ(Build(), 1);
  const std::string dll = files.Content("C:\\cwd\\a.dll");
  EXPECT_EQ(dll.substr(kDosHeaderSize), RuntimeImage(1006));  // never marked
  EXPECT_EQ(ScriptResource("C:\\cwd\\a.dll"), CompiledScriptText(script));
  EXPECT_FALSE(Printed("Encrypting..."));
  EXPECT_NE(lines.back().find("RunScript ( 1, \"text\" )"), std::string::npos);
}

TEST_F(BuildProgramTest, AOneMessageConsoleProgramBecomesADosProgram) {
  script.steps = {MakeStep("Display Message", 8)};
  script.steps[0].text = "Hello";
  request.platform = Platform::kConsole;
  ASSERT_EQ(Build(), 1);
  const std::string want = std::string("\xB4\x09\xBA\x0A\x01\xCD\x21\xCD\x20\x90", 10) + "Hello$";
  EXPECT_EQ(files.Content("C:\\cwd\\a.com"), want);
  EXPECT_TRUE(Printed("Successfully created 16-bit mode [C:\\cwd\\a.com]"));
  EXPECT_TRUE(Printed("File Size: 16 bytes"));

  script.steps[0].text = "Hello {name}";
  lines.clear();
  ASSERT_EQ(Build(), 1);
  EXPECT_EQ(files.Content("C:\\cwd\\a.com").substr(kDosHeaderSize, 4), std::string("PE\0\0", 4));
  EXPECT_NE(files.Content("C:\\cwd\\a.com").find("image 1009"), std::string::npos);
}

TEST_F(BuildProgramTest, PackagingEmbedsEachFileOnceAndLeavesTheScriptAlone) {
  files.AddFolder("C:\\data");
  files.Put("C:\\data\\logo.bmp", std::string(3000, 'b'));
  files.Put("C:\\data\\in.txt", "data");
  script.steps = {MakeStep("Click on Image", 5), MakeStep("Wait for Image", 5), MakeStep("Read File", 9),
                  MakeStep("Display Image", 5)};
  script.steps[0].text = "%dir%\\logo.bmp";
  script.steps[1].text = "C:\\data\\LOGO.bmp; C:\\data\\in.txt";
  script.steps[2].value1 = "C:\\data\\in.txt";
  script.steps[3].text = "255,0,0";  // a colour, not a file
  const Script before = script;
  request.packaging = packaging::kImageFiles | packaging::kDataFiles;
  ASSERT_EQ(Build(), 1);
  EXPECT_EQ(script, before);
  EXPECT_EQ(resources.Get(kOutput, restype::kRcData, 2000)->bytes, std::string(3000, 'b'));
  EXPECT_EQ(resources.Get(kOutput, restype::kRcData, 2001)->bytes, "data");
  EXPECT_EQ(resources.Get(kOutput, restype::kRcData, 2002), nullptr);
  const std::string text = ScriptResource();
  EXPECT_NE(text.find("<embedded_ID_1>2000</embedded_ID_1>"), std::string::npos);
  EXPECT_NE(text.find("<embedded_ID_2>2001</embedded_ID_2>"), std::string::npos);
  EXPECT_TRUE(Printed("Packaging External Files..."));
  EXPECT_TRUE(Printed("    Embedded 2 external files"));
  EXPECT_TRUE(Printed("    Embedded 2 external files as linked references"));
  EXPECT_TRUE(Printed("    Total Embedded Package Size: 2k"));
}

TEST_F(BuildProgramTest, QuietBuildsPackageWithoutSayingSo) {
  files.Put("C:\\cwd\\in.txt", "data");
  script.steps = {MakeStep("Read File", 9)};
  script.steps[0].value1 = "C:\\cwd\\in.txt";
  request.packaging = packaging::kDataFiles;
  request.quiet = true;
  ASSERT_EQ(Build(), 1);
  EXPECT_TRUE(lines.empty());
  EXPECT_EQ(resources.Get(kOutput, restype::kRcData, 2000)->bytes, "data");
  EXPECT_NE(ScriptResource().find("<embedded_ID_1>2000</embedded_ID_1>"), std::string::npos);
}

TEST_F(BuildProgramTest, AFileThatCannotBeEmbeddedStopsPackagingOnly) {
  script.steps = {MakeStep("Read File", 9), MakeStep("Copy File", 9)};
  script.steps[0].value1 = "C:\\missing.txt";
  script.steps[1].value1 = "C:\\Plumo\\PlumoRes.DLL";
  request.packaging = packaging::kDataFiles;
  ASSERT_EQ(Build(), 1);
  EXPECT_TRUE(Printed("    ERROR: failure embedding 'C:\\missing.txt'!  Discontinuing file embedding\r\n"));
  EXPECT_TRUE(Printed("    No external files to embed"));
  EXPECT_EQ(resources.Get(kOutput, restype::kRcData, 2000), nullptr);
}

TEST_F(BuildProgramTest, AnIconFileReplacesTheFirstIconGroup) {
  // The image's own icon: group 1 listing RT_ICON 1 and 2.
  std::string group("\0\0\1\0\2\0", 6);
  for (char id : {'\1', '\2'}) group += std::string(12, 'e') + id + '\0';
  resources.Put(kOutput, restype::kGroupIcon, ResourceName::Number(1), 1033, group);
  resources.Put(kOutput, restype::kIcon, ResourceName::Number(1), 1033, "old1");
  resources.Put(kOutput, restype::kIcon, ResourceName::Number(2), 1033, "old2");
  std::string ico("\0\0\1\0\1\0", 6);
  ico += std::string("\x10\x10\0\0\1\0\x20\0", 8) + std::string("\4\0\0\0\x16\0\0\0", 8) + "new!";
  files.AddFolder("C:\\icons");
  files.Put("C:\\icons\\app.ico", ico);
  request.icon = "C:\\icons\\app.ico";
  ASSERT_EQ(Build(), 1) << (messages.shown.empty() ? "" : messages.shown[0].text);
  EXPECT_EQ(resources.Get(kOutput, restype::kIcon, 1)->bytes, "new!");
  EXPECT_EQ(resources.Get(kOutput, restype::kIcon, 2), nullptr);
  const auto* newGroup = resources.Get(kOutput, restype::kGroupIcon, 1);
  ASSERT_NE(newGroup, nullptr);
  EXPECT_EQ(newGroup->language, 0x400);
  EXPECT_EQ(newGroup->bytes, std::string("\0\0\1\0\1\0", 6) + std::string("\x10\x10\0\0\1\0\x20\0\4\0\0\0", 12) +
                                 std::string("\1\0", 2));
}

TEST_F(BuildProgramTest, LaterFailuresDeleteTheOutput) {
  struct Case {
    const char* name;
    std::function<void(Builds&)> arrange;
    std::string message;
  } cases[] = {
      {"icon not an icon",
       [](Builds& t) {
         t.files.Put("C:\\cwd\\x.ico", "not an icon");
         t.request.icon = "C:\\cwd\\x.ico";
       },
       "Error compiling icon from 'C:\\cwd\\x.ico'\n\nThe file is not an icon file."},
      {"version without a version resource", [](Builds& t) { t.request.version = "1.0"; },
       "Error setting Version information"},
      {"script not written", [](Builds& t) { t.resources.FailUpdates(); },
       "Error while compiling VXM script.\n\nError: \"The process cannot access the file.\"\n\nPlease try to "
       "compile again (the \"encrypted\" method may work)"},
      {"damaged image",
       [](Builds& t) {
         t.resources.Put(kLibrary, restype::kRcData, ResourceName::Number(1002), 0x409, *Pack("no header here"));
       },
       "Unable to write the EXE header.\n\nError: \"The runtime image in the runtime library is damaged.\"\n\nPlease "
       "try to compile again."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Builds t;
    c.arrange(t);
    EXPECT_EQ(t.Build(), 0);
    ASSERT_EQ(t.messages.shown.size(), 1u);
    EXPECT_EQ(t.messages.shown[0], (ShownMessage{c.message, "Compile EXE"}));
    EXPECT_FALSE(t.files.Has(kOutput));
  }
}

TEST_F(BuildProgramTest, CompressionWithoutAPackerSaysSoAndGoesOn) {
  request.compress = true;
  ASSERT_EQ(Build(), 1);
  EXPECT_TRUE(Printed("Compressing..."));
  EXPECT_TRUE(Printed("Compression error while creating EXE output"));
  EXPECT_TRUE(Printed("Successfully created [C:\\cwd\\a.exe]"));
  EXPECT_TRUE(processes.started.empty());

  // With a packer in the library it runs on the output and is removed afterwards.
  std::string packer = std::string("PE\0\0", 4) + "packer";
  Scramble(packer);
  resources.Put(kLibrary, restype::kRcData, ResourceName::Number(1001), 0x409, packer);
  files.AddFolder("C:\\Temp");
  lines.clear();
  ASSERT_EQ(Build(), 1);
  EXPECT_FALSE(Printed("Compression error while creating EXE output"));
  ASSERT_EQ(processes.started.size(), 1u);
  const std::string& line = processes.started[0];
  EXPECT_EQ(line.rfind("C:\\Temp\\_VT", 0), 0u);
  EXPECT_NE(line.find(".exe -9 -q -f --compress-icons=0 \"C:\\cwd\\a.exe\""), std::string::npos);
  EXPECT_EQ(processes.lastTimeoutMs, 20000u);
  EXPECT_FALSE(files.Has(line.substr(0, line.find(' '))));
}

}  // namespace
}  // namespace plumo
