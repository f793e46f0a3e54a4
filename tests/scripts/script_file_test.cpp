#include "scripts/script_file.h"

#include <gtest/gtest.h>

#include <sstream>

#include "fakes/fake_environment.h"
#include "fakes/fake_files.h"
#include "fakes/fake_messages.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/memory_resources.h"
#include "scripts/packed.h"
#include "scripts/pe_image_builder.h"
#include "scripts/shipped_catalog.h"

namespace plumo {
namespace {

constexpr const char* kHello =
    "<?xml version=\"1.0\" ?>\r\n<Plumo>\r\n<step>\r\n\t<action>Type</action>\r\n\t<text>Hello</text>\r\n</step>\r\n"
    "<step>\r\n\t<action>Delay</action>\r\n\t<timeout>1</timeout>\r\n</step>\r\n</Plumo>";

class ScriptFileTest : public testing::Test {
 protected:
  ScriptFileTest() {
    resources_.Add("", kActionCatalogResource, ShippedCatalogBytes());
    files_.AddFolder("C:\\s");
  }

  int Open(std::string_view path, int slot = kAnySlot) { return OpenScriptFile(io_, slots_, path, slot, &opened_); }
  ShownMessage Last() const { return messages_.shown.empty() ? ShownMessage{} : messages_.shown.back(); }
  ShownMessage Error(std::string text) const { return {std::move(text), "Plumo Error"}; }

  FakeFiles files_;
  RecordingMessages messages_;
  MemoryRegistry registry_;
  FakeEnvironment environment_;
  SettingsStore settings_{registry_, environment_, files_};
  MemoryResources resources_;
  ActionCatalogs catalogs_{resources_};
  ScriptFileServices io_{files_, messages_, settings_, catalogs_};
  ScriptSlots slots_;
  int opened_ = -1;
};

TEST_F(ScriptFileTest, OpensIntoTheFirstFreeSlotAndSavesTheSameBytes) {
  files_.Put("C:\\s\\hello.vxm", kHello);
  EXPECT_EQ(Open(" \"C:\\s\\hello.vxm\" "), 3);
  EXPECT_EQ(opened_, 0);
  Script* s = slots_.At(0);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->path, "C:\\s\\hello.vxm");
  EXPECT_EQ(s->prolog, "<?xml version=\"1.0\" ?>\r\n");
  EXPECT_EQ(s->layout, layout::kCrLf | layout::kTabs | 1);
  ASSERT_EQ(s->steps.size(), 2u);
  EXPECT_EQ(s->steps[0].category, 4);
  EXPECT_TRUE(messages_.shown.empty());

  files_.Put("C:\\s\\hello.vxm", "changed");
  ASSERT_TRUE(SaveScriptFile(io_, *s));
  EXPECT_EQ(files_.Content("C:\\s\\hello.vxm"), kHello);
}

TEST_F(ScriptFileTest, EveryFailureOfOpeningIsToldAndChangesNothing) {
  files_.Put("C:\\s\\locked.vxm", kHello);
  files_.Lock("C:\\s\\locked.vxm");
  files_.Put("C:\\s\\broken.vxm", kHello);
  files_.BreakReads("C:\\s\\broken.vxm");
  files_.Put("C:\\s\\notes.txt", "just some notes");
  files_.Put("C:\\s\\empty-action.vxm", "<step><action></action></step>");
  files_.Put("C:\\s\\plain.exe", test::ProgramWithResources({{10, 9001, "other"}}));
  files_.Put("C:\\s\\nosteps.vxm", "<Plumo><step></step></Plumo>");
  struct Case {
    const char* path;
    int slot;
    ShownMessage message;
  } cases[] = {
      {"", kAnySlot, {"Invalid File", " "}},
      {" \"\" ", kAnySlot, {"Invalid File", " "}},
      {"C:\\s\\hello.vxm", 8, {"Invalid File", " "}},
      {"C:\\s\\hello.vxm", -2, {"Invalid File", " "}},
      {"C:\\s\\missing.vxm", kAnySlot, Error("Unable to open file 'C:\\s\\missing.vxm'\n\nFile does not exist")},
      {"C:\\s", kAnySlot, Error("Unable to open file 'C:\\s'\n\nFile does not exist")},
      {"C:\\s\\locked.vxm", kAnySlot,
       Error("Unable to open file 'C:\\s\\locked.vxm'!\n\nPlease verify that the file is not open in another program.")},
      {"C:\\s\\broken.vxm", kAnySlot, Error("Unable to read file")},
      {"C:\\s\\notes.txt", kAnySlot, Error("\"C:\\s\\notes.txt\" does not appear to contain Plumo actions")},
      {"C:\\s\\plain.exe", kAnySlot, {"Unable to read \"C:\\s\\plain.exe\"", "C:\\s\\plain.exe"}},
      {"C:\\s\\nosteps.vxm", kAnySlot, Error("Internal Memory Error (step count)")},
      {"C:\\s\\empty-action.vxm", kAnySlot, Error("Empty <action> tag in step #1\n\nDiscontinuing file load at step #1")},
  };
  Script before;
  before.path = "C:\\s\\kept.vxm";
  before.steps.resize(1);
  slots_.Set(0, before);
  for (const auto& c : cases) {
    messages_.shown.clear();
    EXPECT_EQ(Open(c.path, c.slot), 0) << c.path;
    EXPECT_EQ(messages_.shown, std::vector<ShownMessage>{c.message}) << c.path;
    EXPECT_EQ(*slots_.At(0), before) << c.path;
    EXPECT_EQ(slots_.At(1), nullptr) << c.path;
  }
}

TEST_F(ScriptFileTest, AnEmptyActionKeepsTheStepsBeforeIt) {
  files_.Put("C:\\s\\half.vxm", "<step><action>Type</action></step><step><action></action></step>");
  EXPECT_EQ(Open("C:\\s\\half.vxm"), 2);
  EXPECT_EQ(Last(), Error("Empty <action> tag in step #2\n\nDiscontinuing file load at step #1"));
  EXPECT_EQ(slots_.At(0)->steps.size(), 1u);
}

TEST_F(ScriptFileTest, SlotsAreChosenAmongEmptyUntitledOnes) {
  files_.Put("C:\\s\\a.vxm", kHello);
  Script full;
  full.steps.resize(1);
  Script untitled;
  untitled.path = "Untitled";
  slots_.Set(0, full);
  slots_.Set(1, untitled);
  EXPECT_EQ(Open("C:\\s\\a.vxm"), 3);
  EXPECT_EQ(opened_, 1);
  EXPECT_EQ(Open("C:\\s\\a.vxm", 5), 3);
  EXPECT_EQ(opened_, 5);
  EXPECT_EQ(slots_.At(2), nullptr);
  for (int s = 0; s < ScriptSlots::kCount; ++s) slots_.Set(s, full);
  messages_.shown.clear();
  EXPECT_EQ(Open("C:\\s\\a.vxm"), 0);
  EXPECT_EQ(messages_.shown, (std::vector<ShownMessage>{
                                 {"A maximum of 8 files may be opened in Plumo.\n\nPlease close a file before opening another one.",
                                  "Plumo Warning"}}));
}

TEST_F(ScriptFileTest, ARunningSlotIsNotReplaced) {
  files_.Put("C:\\s\\a.vxm", kHello);
  Script running;
  running.path = "C:\\s\\running.vxm";
  slots_.Set(2, running);
  slots_.SetRunning(2, true);
  EXPECT_EQ(Open("C:\\s\\a.vxm", 2), 0);
  EXPECT_EQ(Last(), (ShownMessage{kSlotRunningMessage, "Plumo Warning"}));
  EXPECT_EQ(slots_.At(2)->path, "C:\\s\\running.vxm");
}

TEST_F(ScriptFileTest, AnEmptyFileIsAnEmptyScriptUnderItsPath) {
  files_.Put("C:\\s\\new.vxm", "");
  EXPECT_EQ(Open("C:\\s\\new.vxm"), 1);
  EXPECT_EQ(slots_.At(0)->path, "C:\\s\\new.vxm");
  EXPECT_TRUE(slots_.At(0)->steps.empty());
  // Saved without Steps, it opens again.
  ASSERT_TRUE(SaveScriptFile(io_, *slots_.At(0)));
  EXPECT_EQ(files_.Content("C:\\s\\new.vxm"), "<?xml version=\"1.0\" ?>\r\n<Plumo>\r\n</Plumo>");
  EXPECT_EQ(Open("C:\\s\\new.vxm", 3), 1);
  EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(ScriptFileTest, TheOldRootLoadsAndIsSavedAsTheNewOne) {
  files_.Put("C:\\s\\old.vxm", "<!-- made by hand -->\n<Brenhold>\n<step>\n  <action>Type</action>\n</step>\n</Brenhold>");
  ASSERT_EQ(Open("C:\\s\\old.vxm"), 2);
  EXPECT_EQ(slots_.At(0)->prolog, "<!-- made by hand -->\n");
  ASSERT_TRUE(SaveScriptFile(io_, *slots_.At(0)));
  EXPECT_EQ(files_.Content("C:\\s\\old.vxm"),
            "<?xml version=\"1.0\" ?>\r\n<!-- made by hand -->\n<Plumo>\r\n<step>\n  <action>Type</action>\n</step>\r\n</Plumo>");
}

TEST_F(ScriptFileTest, WithoutARootTheDeclarationAndRootAreAdded) {
  files_.Put("C:\\s\\bare.vxm", "stray text <step><action>Type</action></step> more");
  ASSERT_EQ(Open("C:\\s\\bare.vxm"), 2);
  EXPECT_EQ(slots_.At(0)->prolog, "");
  ASSERT_TRUE(SaveScriptFile(io_, *slots_.At(0)));
  EXPECT_EQ(files_.Content("C:\\s\\bare.vxm"),
            "<?xml version=\"1.0\" ?>\r\n<Plumo>\r\n<step>\r\n\t<action>Type</action>\r\n</step>\r\n</Plumo>");
}

TEST_F(ScriptFileTest, TheProloguesLengthIsBounded) {
  files_.Put("C:\\s\\p.vxm", std::string(1000, ' ') + "<Plumo><step><action>Type</action></step></Plumo>");
  ASSERT_EQ(Open("C:\\s\\p.vxm"), 2);
  EXPECT_EQ(slots_.At(0)->prolog.size(), 258u);
}

TEST_F(ScriptFileTest, ACompiledProgramOpensWithItsScript) {
  const std::string script = "<Plumo>\r\n<step>\r\n\t<action>Type</action>\r\n</step>\r\n</Plumo>";
  files_.Put("C:\\s\\app.exe", test::ProgramWithResources({{10, 9002, Pack(script + '\0').value()}}));
  // A block that starts like text is taken as it is.
  files_.Put("C:\\s\\plain.exe", test::ProgramWithResources({{10, 9002, "\r\n" + script}}));
  ASSERT_EQ(Open("C:\\s\\app.exe"), 2);
  EXPECT_EQ(slots_.At(0)->prolog, "");
  ASSERT_EQ(Open("C:\\s\\plain.exe"), 2);
  // Saved beside the program, never over it.
  ASSERT_TRUE(SaveScriptFile(io_, *slots_.At(0)));
  EXPECT_EQ(slots_.At(0)->path, "C:\\s\\app.VXM");
  EXPECT_TRUE(files_.Has("C:\\s\\app.VXM"));
  EXPECT_EQ(files_.Content("C:\\s\\app.exe").substr(0, 2), "MZ");

  std::string damaged = test::ProgramWithResources({{10, 9002, script}});
  damaged[0x3C] = '\x7F';
  files_.Put("C:\\s\\damaged.exe", damaged);
  EXPECT_EQ(Open("C:\\s\\damaged.exe"), 0);
  EXPECT_EQ(Last(), (ShownMessage{"Unable to read \"C:\\s\\damaged.exe\"", "C:\\s\\damaged.exe"}));
}

TEST_F(ScriptFileTest, SavingFailuresKeepTheOldFile) {
  Script s;
  s.path = "C:\\s\\keep.vxm";
  s.steps.resize(1);
  s.steps[0].action = "Type";
  files_.Put("C:\\s\\keep.vxm", kHello);
  files_.FailNextWrite();
  EXPECT_FALSE(SaveScriptFile(io_, s));
  EXPECT_EQ(Last(), Error("(2) Unable to create file 'C:\\s\\keep.vxm': There is not enough space on the disk."));
  EXPECT_EQ(files_.Content("C:\\s\\keep.vxm"), kHello);

  files_.Lock("C:\\s\\keep.vxm");
  EXPECT_FALSE(SaveScriptFile(io_, s));
  EXPECT_TRUE(Last().text.starts_with("(1) Unable to create file 'C:\\s\\keep.vxm': ")) << Last().text;
  EXPECT_EQ(files_.Content("C:\\s\\keep.vxm"), kHello);

  s.path = "C:\\nowhere\\x.vxm";
  EXPECT_FALSE(SaveScriptFile(io_, s));
  EXPECT_EQ(Last(), Error("(1) Unable to create file 'C:\\nowhere\\x.vxm': The system cannot find the file specified."));
}

TEST_F(ScriptFileTest, SavingFollowsTheEncodingSetting) {
  Script s;
  s.path = "C:\\s\\e.vxm";
  s.steps.resize(1);
  s.steps[0].action = "Type";
  s.steps[0].text = "<b>";
  ASSERT_TRUE(SaveScriptFile(io_, s));
  EXPECT_NE(files_.Content("C:\\s\\e.vxm").find("<text>&lt;b&gt;</text>"), std::string::npos);
  settings_.WriteNumber("*\\EncodeXML", 0);
  ASSERT_TRUE(SaveScriptFile(io_, s));
  EXPECT_NE(files_.Content("C:\\s\\e.vxm").find("<text><b></text>"), std::string::npos);
}

TEST_F(ScriptFileTest, StatisticsKeepTheLongestScript) {
  constexpr const char* kLongest = "*\\Report\\stats_longest_script";
  files_.Put("C:\\s\\a.vxm", kHello);
  EXPECT_EQ(Open("C:\\s\\a.vxm"), 3);
  EXPECT_EQ(settings_.ReadNumber(kLongest), 3);
  // Under this very key in the registry.
  RegValue v;
  ASSERT_TRUE(registry_.ReadValue(RegRoot::kCurrentUser, "SOFTWARE\\Plumo\\Report", "stats_longest_script", &v).ok());
  settings_.WriteNumber(kLongest, 10);
  Open("C:\\s\\a.vxm");
  EXPECT_EQ(settings_.ReadNumber(kLongest), 10);
  settings_.WriteNumber(kLongest, 1);
  settings_.WriteNumber("*\\Report\\stats_active", 0);
  Open("C:\\s\\a.vxm");
  EXPECT_EQ(settings_.ReadNumber(kLongest), 1);
}

TEST_F(ScriptFileTest, WaitForFileOrFolderLooksAtTheExpandedText) {
  files_.AddFolder("C:\\data");
  io_.expand = [](const std::string& text) { return text == "%dir%" ? std::string("C:\\data") : text; };
  files_.Put("C:\\s\\w.vxm", "<step><action>Wait for File/Folder</action><text>%dir%</text></step>"
                             "<step><action>Wait for File/Folder</action><text>C:\\data\\x.txt</text></step>");
  ASSERT_EQ(Open("C:\\s\\w.vxm"), 3);
  EXPECT_EQ(slots_.At(0)->steps[0].action, "Wait for Folder");
  EXPECT_EQ(slots_.At(0)->steps[1].action, "Wait for File");
}

TEST_F(ScriptFileTest, StepsTravelAsClipboardText) {
  Script s;
  s.steps.resize(3);
  s.steps[0].action = "Type";
  s.steps[1].action = "Delay";
  s.steps[1].comment = "wait";
  s.steps[2].action = "Label";
  const auto text = StepsAsText(io_, s, {1});
  ASSERT_TRUE(text);
  EXPECT_EQ(*text, "<step>\r\n\t<action>Delay</action>\r\n\t<comment>wait</comment>\r\n</step>\r\n");
  EXPECT_EQ(InsertStepsFromText(io_, *text, s, 3), 1u);
  EXPECT_EQ(s.steps[3].comment, "wait");
  EXPECT_EQ(InsertStepsFromText(io_, "not steps", s, 0), 0u);
  EXPECT_EQ(Last(), Error("Internal Memory Error (step count)"));
  EXPECT_EQ(s.steps.size(), 4u);
  settings_.WriteText("*\\DefaultFailureMode", "Stop Silently");
  EXPECT_EQ(InsertStepsFromText(io_, "<step><action>Use Window</action></step>", s, 4, true), 1u);
  EXPECT_EQ(s.steps[4].onfail, "Stop Silently");
}

TEST_F(ScriptFileTest, BadBytesAreToldAndLoseNothing) {
  std::string garbage(4096, '\0');
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>((i * 7919u) >> 3);
  files_.Put("C:\\s\\garbage.vxm", garbage);
  Script before;
  before.steps.resize(2);
  slots_.Set(0, before);
  EXPECT_EQ(Open("C:\\s\\garbage.vxm", 0), 0);
  EXPECT_EQ(Last(), Error("\"C:\\s\\garbage.vxm\" does not appear to contain Plumo actions"));
  EXPECT_EQ(*slots_.At(0), before);

  // NUL bytes are text like any other.
  const std::string withNul("<step><action>Type</action><text>a\0b</text></step>", 50);
  files_.Put("C:\\s\\nul.vxm", withNul);
  ASSERT_EQ(Open("C:\\s\\nul.vxm", 1), 2);
  EXPECT_EQ(slots_.At(1)->steps[0].text, std::string("a\0b", 3));
  ASSERT_TRUE(SaveScriptFile(io_, *slots_.At(1)));
  EXPECT_NE(files_.Content("C:\\s\\nul.vxm").find(std::string("<text>a\0b</text>", 16)), std::string::npos);
}

TEST_F(ScriptFileTest, ConsoleProgramsPrintTheMessage) {
  std::ostringstream out;
  ConsoleMessages console(out);
  ScriptFileServices consoleIo{files_, console, settings_, catalogs_};
  Script s;
  EXPECT_EQ(ReadScriptFile(consoleIo, "C:\\s\\none.vxm", s), 0);
  EXPECT_EQ(out.str(), "Unable to open file 'C:\\s\\none.vxm'\n\nFile does not exist\n");
}

}  // namespace
}  // namespace plumo
