#include <gtest/gtest.h>

#include "editor/document.h"
#include "editor/editor_texts.h"
#include "editor/find.h"
#include "editor/open_files.h"
#include "editor/recent_files.h"
#include "fakes/fake_environment.h"
#include "fakes/fake_files.h"
#include "platform/memory/memory_registry.h"
#include "settings/settings_store.h"

namespace plumo {
namespace {

class Settings : public testing::Test {
 protected:
  std::vector<std::string> Recent() {
    std::vector<std::string> out;
    for (int n = 1; n <= 5; ++n) out.push_back(store_.ReadText("*\\RecentFile%d", 260, {n}));
    return out;
  }

  MemoryRegistry registry_;
  FakeEnvironment environment_;
  FakeFiles files_;
  SettingsStore store_{registry_, environment_, files_};
};

TEST(EditorTexts, TitleTabStatusAndQuestion) {
  EXPECT_EQ(WindowTitle("C:\\work\\daily.vxm"), "daily.vxm - Plumo Studio 7.76");
  EXPECT_EQ(WindowTitle(""), "Untitled - Plumo Studio 7.76");
  EXPECT_EQ(TabText("C:\\work\\daily.vxm", true), "C:\\work\\daily.vxm");
  EXPECT_EQ(TabText("C:\\work\\daily.vxm", false), "daily.vxm");
  EXPECT_EQ(TabText("", true), "Untitled");
  EXPECT_EQ(EditingStatus(0), " Ready");
  EXPECT_EQ(EditingStatus(1), " Editing: 1 change");
  EXPECT_EQ(EditingStatus(12), " Editing: 12 changes");
  EXPECT_EQ(SaveQuestion("C:\\a\\b.vxm"), "Save changes to b.vxm?");
  EXPECT_EQ(SaveQuestion(""), "Save changes to Untitled?");
  EXPECT_EQ(IndentText(6), "      ");
  EXPECT_EQ(IndentText(99).size(), 31u);
  EXPECT_EQ(IndentText(-1), "");
}

TEST(EditorTexts, FilePropertiesCountTheMarks) {
  Script script;
  script.path = "C:\\work\\daily.vxm";
  const struct {
    const char* action;
    uint32_t status;
  } steps[] = {{"Comment", 0}, {"Delay", status::kSkip | status::kBookmark}, {"Delay", status::kBreakpoint}, {"Beep", 0}};
  for (const auto& s : steps) {
    Step step;
    step.action = s.action;
    step.status = s.status;
    script.steps.push_back(step);
  }
  FileFacts file;
  file.size = 1234;
  file.modified = SystemTime{2026, 12, 3, 9, 7, 5, 3, 0};
  using Rows = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(ScriptFacts(script, file, 2),
            (Rows{{"Name", "daily.vxm"}, {"Folder", "C:\\work\\"}, {"Size", "1234 bytes"},
                  {"Modified", "2026-12-09 07:05:03"}, {"Steps", "4"}, {"Comments", "1"}, {"Skipped", "1"},
                  {"Breakpoints", "1"}, {"Bookmarks", "1"}, {"Unsaved changes", "2"}}));
  EXPECT_EQ(ScriptFacts(script, std::nullopt, 0)[2], (std::pair<std::string, std::string>{"Size", "(the file is missing)"}));
  script.path = "";
  EXPECT_EQ(ScriptFacts(script, std::nullopt, 0)[1], (std::pair<std::string, std::string>{"Size", "(never saved)"}));
}

TEST(FindHistory, NewestFirstWithoutDuplicatesWithinTheLimit) {
  const std::string sep(1, kFindHistorySeparator);
  EXPECT_EQ(AddToFindHistory("", "a"), "a");
  EXPECT_EQ(AddToFindHistory("b" + sep + "a" + sep + "c", "a"), "a" + sep + "b" + sep + "c");
  const std::string big(40000, 'x');
  const std::string older(30000, 'y');
  EXPECT_EQ(AddToFindHistory(big + sep + older, "new"), "new" + sep + big);
}

TEST_F(Settings, RememberFindKeepsTheLastSearchAndTheHistory) {
  RememberFind(store_, "alpha");
  RememberFind(store_, "beta");
  RememberFind(store_, "alpha");
  RememberFind(store_, "");
  RememberReplace(store_, "gamma");
  EXPECT_EQ(store_.ReadText("*\\Find", 256), "alpha");
  EXPECT_EQ(store_.ReadText("*\\Replace", 256), "gamma");
  EXPECT_EQ(ReadFindHistory(store_), (std::vector<std::string>{"alpha", "beta"}));
}

TEST_F(Settings, FindChoicesComeBackAsTheyWereLeft) {
  EXPECT_EQ(ReadFindOptions(store_).text, "");
  store_.WriteNumber("*\\Find", 0);  // the start-up default
  EXPECT_EQ(ReadFindOptions(store_).text, "");
  for (bool on : {true, false}) {
    FindOptions options;
    options.text = on ? "Delay" : "Beep";
    options.up = options.matchCase = options.wholeWord = on;
    RememberFindOptions(store_, options);
    const FindOptions back = ReadFindOptions(store_);
    EXPECT_EQ(back.text, options.text);
    EXPECT_EQ(back.up, on);
    EXPECT_EQ(back.matchCase, on);
    EXPECT_EQ(back.wholeWord, on);
    EXPECT_TRUE(back.wrap);
  }
}

TEST_F(Settings, EditSettingsComeFromTheStore) {
  EXPECT_FALSE(ReadEditSettings(store_).insertBehind);
  EXPECT_TRUE(ReadEditSettings(store_).selectNew);
  store_.WriteNumber("*\\InsertNewStep", 1);
  store_.WriteNumber("*\\SelectNewStep", 0);
  store_.WriteNumber("*\\EncodeXML", 0);
  const EditSettings s = ReadEditSettings(store_);
  EXPECT_TRUE(s.insertBehind);
  EXPECT_FALSE(s.selectNew);
  EXPECT_FALSE(s.encodeXml);
}

TEST_F(Settings, RecentFileCountRules) {
  struct Case {
    std::optional<int> stored;
    int count;
  } cases[] = {{std::nullopt, 16}, {0, 0}, {5, 5}, {-1, 32}, {40, 32}, {32, 32}};
  for (const auto& c : cases) {
    if (c.stored)
      store_.WriteNumber("*\\RecentFileCount", static_cast<uint32_t>(*c.stored));
    else
      store_.Delete("*\\RecentFileCount");
    EXPECT_EQ(RecentFileCount(store_), c.count);
  }
}

TEST_F(Settings, ReopeningTheFourthMovesItToTheTop) {
  store_.WriteNumber("*\\RecentFileCount", 5);
  for (const char* f : {"e.vxm", "d.vxm", "c.vxm", "b.vxm", "a.vxm"}) NoteRecentFile(store_, f);
  EXPECT_EQ(Recent(), (std::vector<std::string>{"a.vxm", "b.vxm", "c.vxm", "d.vxm", "e.vxm"}));
  NoteRecentFile(store_, "D.VXM");
  EXPECT_EQ(Recent(), (std::vector<std::string>{"D.VXM", "a.vxm", "b.vxm", "c.vxm", "e.vxm"}));
  NoteRecentFile(store_, "C:/new/f.vxm");  // absent: the last one drops
  EXPECT_EQ(Recent(), (std::vector<std::string>{"C:\\new\\f.vxm", "D.VXM", "a.vxm", "b.vxm", "c.vxm"}));
  store_.WriteNumber("*\\RecentFileCount", 0);
  NoteRecentFile(store_, "g.vxm");
  EXPECT_EQ(Recent()[0], "C:\\new\\f.vxm");
}

TEST(OpenFiles, TheNinthFileIsRefusedAndTheEightStay) {
  ScriptSlots slots;
  OpenFiles files(slots);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(files.Open(Script{}).tab, static_cast<size_t>(i));
  const auto ninth = files.Open(Script{});
  EXPECT_EQ(ninth.tab, std::nullopt);
  EXPECT_EQ(ninth.error, TooManyScriptsMessage());
  EXPECT_EQ(files.Count(), 8u);
  EXPECT_TRUE(files.Full());
  EXPECT_EQ(files.Current(), 7u);

  slots.SetRunning(files.At(2).slot(), true);
  EXPECT_FALSE(files.Close(2));
  files.SetCurrent(5);
  EXPECT_TRUE(files.Close(3));
  EXPECT_EQ(files.Count(), 7u);
  EXPECT_EQ(files.Current(), 4u);
  EXPECT_TRUE(files.Open(Script{}).tab);
}

}  // namespace
}  // namespace plumo
