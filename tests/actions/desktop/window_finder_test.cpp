#include "actions/desktop/window_finder.h"

#include "desktop_test_support.h"

namespace plumo {
namespace {

using namespace findflag;

TEST(SearchFlags, FollowTheMatchMethodWords) {
  const struct {
    const char* options;
    uint32_t flags;
  } cases[] = {
      {"Exact Title", kExactTitle},
      {"Partial Title,Activate,First", kPartialTitle | kFirst},
      {"Class", kClass},
      {"ID", kId},
      {"Userdata", kUserData},
      {"Title + Class + ID + Userdata", kPartialTitle | kClass | kId | kUserData},
      {"Class + Userdata", kClass | kUserData},
      {"Handle (HWND)", kHandle},
      {"Activate", kPartialTitle},
      {"", kPartialTitle},
  };
  for (const auto& c : cases) EXPECT_EQ(SearchFlagsFromOptions(c.options), c.flags) << c.options;
}

TEST(SearchFlags, HandleFieldsAreHexadecimalBehindAMark) {
  const struct {
    const char* field;
    uint32_t value;
  } cases[] = {{"#1A2B", 6699}, {"x1a2b", 6699}, {"0X1A2B", 6699}, {"6699", 6699}, {"12abc", 12},
               {"abc", 0},      {"", 0},        {"#", 0},         {"#00ff", 255}};
  for (const auto& c : cases) EXPECT_EQ(HandleFieldValue(c.field), c.value) << c.field;
}

class FinderTest : public DesktopTest {};

TEST_F(FinderTest, EachCriterionAndItsRules) {
  const struct {
    uint32_t flags;
    const char* data;
    uint32_t parent;
    uint32_t want;
    int topLevel, children;
  } cases[] = {
      {kPartialTitle, "note", 0, win::kNotepad, 1, 0},           // 'Hidden Notepad' is not visible
      {kExactTitle, "Untitled - notepad", 0, 0, 0, 0},           // exact is case-sensitive
      {kExactTitle, "Untitled - Notepad", 0, win::kNotepad, 1, 0},
      {kClass, "Afx*", 0, win::kMail, 1, 0},
      {kClass, "afx*", 0, win::kMail, 1, 0},
      {kClass, "Afx", 0, 0, 0, 0},
      {kHandle, "#1A2B", 0, win::kHandle6699, 1, 0},
      {kHandle, "6699", 0, win::kHandle6699, 1, 0},              // a window at once: the counts stay
      {kId, "1001", 0, win::kName, 0, 1},
      {kUserData, "77", 0, win::kMail, 1, 0},
      {kClass | kId, "Button|1002", 0, win::kRadio, 0, 1},
      {kPartialTitle, "OK", 0, win::kOk, 0, 1},                  // "&OK"; our own "OK" is passed over
      {kHandle, "#1F5", 0, win::kOwnButton, 0, 1},               // by handle our own windows count
      {kClass, "Button", win::kMail, win::kCheck, 0, 4},
      {kClass, "Pane", win::kDeep, win::kDeep + 5, 0, 5},        // five levels down, not six
      {kPartialTitle, "", 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FindMatchingWindow(session, c.flags, c.data, c.parent), c.want) << c.flags << " " << c.data;
    EXPECT_EQ(session.windowMatches.topLevel, c.topLevel) << c.data;
    EXPECT_EQ(session.windowMatches.children, c.children) << c.data;
  }
}

TEST_F(FinderTest, FirstAsksTheSystemForTheWholeTitleThenEnumerates) {
  desktop.Get(win::kCalculator)->title = "Notepad";
  EXPECT_EQ(FindMatchingWindow(session, kPartialTitle | kFirst, "NOTEPAD", 0), win::kCalculator);
  EXPECT_EQ(desktop.enumerations, 0);
  // No whole-title hit: the last window the enumeration accepts.
  EXPECT_EQ(FindMatchingWindow(session, kPartialTitle | kFirst, "pad", 0), win::kCalculator);
  EXPECT_EQ(session.windowMatches.topLevel, 2);
  EXPECT_EQ(FindMatchingWindow(session, kClass | kFirst, "calcframe", 0), win::kCalculator);
}

TEST_F(FinderTest, AHungWindowCostsOneShortTimeOutAndCountsAsUntitled) {
  desktop.Get(win::kMail)->hung = true;
  EXPECT_EQ(FindMatchingWindow(session, kPartialTitle, "Mail", 0), 0u);
  EXPECT_EQ(desktop.waitedMs, 100u);
  EXPECT_EQ(FindMatchingWindow(session, kClass, "AfxFrame42", 0), win::kMail);  // no text needed
}

TEST_F(FinderTest, HugeOrMalformedMatchDataFindsNothingSafely) {
  EXPECT_EQ(FindMatchingWindow(session, kPartialTitle, std::string(10000, 'x'), 0), 0u);
  EXPECT_EQ(FindMatchingWindow(session, kHandle, "not a number", 0), 0u);
  EXPECT_EQ(FindMatchingWindow(session, kClass | kId | kUserData, "||||||", 0), 0u);
}

TEST_F(FinderTest, TheListModeWritesEveryWindowToTheListFile) {
  files.AddFolder("C:\\Temp");
  const std::string path = environment.TempFolder() + kWindowListFile;
  desktop.Get(win::kCalculator)->title = "100% Calc";
  EXPECT_EQ(FindMatchingWindow(session, kWriteList | kFramedVisibleTopLevel, "", 0), 0u);
  std::string list;
  bool opened = false;
  ASSERT_TRUE(files.ReadFile(path, &list, &opened));
  EXPECT_EQ(list, "Untitled - Notepad\r\nMail\r\n100%% Calc\r\nTool\r\nPlumo Studio\r\nDeep\r\n");

  ASSERT_TRUE(files.Delete(path).ok());
  FindMatchingWindow(session, kWriteList, "", 0);
  ASSERT_TRUE(files.ReadFile(path, &list, &opened));
  const std::string rule = "\r\n" + std::string(70, '=') + "\r\n";
  EXPECT_EQ(list.substr(0, list.find("\r\n", rule.size()) + 2),
            rule + "\"Untitled - Notepad\"\t\t\t(Class: Notepad  ID: 0  HWND: 0x64  Parent: 0x0)\r\n");
  EXPECT_NE(list.find("      \"OK\"\t\t\t(Class: Button  ID: 1  HWND: 0xc9  Parent: 0x0)\r\n"), std::string::npos);
}

// Picked data must find the picked window again, whatever the method.
TEST_F(FinderTest, ThePickerWritesWhatTheMatchMethodSearchesBy) {
  desktop.Get(win::kName)->userData = -5;
  const struct {
    const char* options;
    uint32_t window;
    const char* data;
  } cases[] = {
      {"Exact Title", win::kMail, "Mail"},
      {"Partial Title,Activate", win::kOk, "OK"},  // the "&" goes, as the search drops it
      {"Class + ID", win::kRadio, "Button|1002"},
      {"Title + Class + ID + Userdata", win::kName, "Ann Smith|Edit|1001|-5"},
      {"Class + Userdata", win::kMail, "AfxFrame42|77"},
      {"Handle (HWND)", win::kHandle6699, "6699"},
      {"", win::kNotepad, "Untitled - Notepad"},
  };
  for (const auto& c : cases) {
    const std::string data = PickedMatchData(session, c.options, c.window, 0, 0);
    EXPECT_EQ(data, c.data) << c.options;
    EXPECT_EQ(FindMatchingWindow(session, SearchFlagsFromOptions(c.options), data, 0), c.window) << c.options;
  }
  // A "|" in a title ends it when more fields follow.
  desktop.Get(win::kCalculator)->title = "Sum | Calc";
  EXPECT_EQ(PickedMatchData(session, "Title + Class", win::kCalculator, 0, 0), "Sum |CalcFrame");
  EXPECT_EQ(PickedMatchData(session, "Exact Title", win::kCalculator, 0, 0), "Sum | Calc");
  // The methods by position take the point, the parent-relative one from the parent's corner.
  EXPECT_EQ(PickedMatchData(session, "Window at X/Y", win::kMail, 150, 160), "150, 160");
  EXPECT_EQ(PickedMatchData(session, "Child at Parent-Relative X/Y", win::kOk, 150, 160), "50, 60");
  EXPECT_EQ(PickedWindowName(session, "Window Title", win::kOk), "OK");
  EXPECT_EQ(PickedWindowName(session, "Window Handle", win::kOk), "201");
}

TEST_F(FinderTest, MinimiseAllAndCloseAllTouchOnlyApplicationWindows) {
  desktop.ShowWindow(win::kCalculator, sw::kMinimize);
  desktop.calls.clear();
  FindMatchingWindow(session, kMinimizeAll, "", 0);
  EXPECT_EQ(desktop.calls, (std::vector<std::string>{"ShowWindow 100 6", "ShowWindow 200 6", "ShowWindow 6699 6",
                                                      "ShowWindow 500 6", "ShowWindow 600 6"}));
  FindMatchingWindow(session, kCloseAll, "", 0);
  for (uint32_t gone : {win::kNotepad, win::kMail, win::kCalculator, win::kHandle6699, win::kDeep}) EXPECT_FALSE(desktop.IsWindow(gone)) << gone;
  for (uint32_t kept : {win::kOwnMain, win::kHidden}) EXPECT_TRUE(desktop.IsWindow(kept)) << kept;
}

}  // namespace
}  // namespace plumo
