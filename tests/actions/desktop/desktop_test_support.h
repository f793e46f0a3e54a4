// A session with the desktop actions over a fake desktop laid out as a small set of programs,
// and single Steps run through the registered executors.
#pragma once

#include <string>

#include "actions/desktop/desktop_actions.h"
#include "engine/flow_test_support.h"

namespace plumo {

namespace win {
constexpr uint32_t kNotepad = 100, kNotepadEdit = 101;
constexpr uint32_t kMail = 200, kOk = 201, kCancel = 202, kLabel = 203, kName = 204, kRadio = 205, kList = 206,
                   kCombo = 207, kListView = 208, kTreeView = 209, kScroll = 210, kCheck = 211;
constexpr uint32_t kCalculator = 300, kHidden = 400, kHandle6699 = 6699;
constexpr uint32_t kOwnMain = 500, kOwnButton = 501;
constexpr uint32_t kDeep = 600;  // a chain of six nested panes, 601 to 606
}  // namespace win

constexpr uint32_t kTabStop = ws::kTabStop;

inline std::vector<FakeDesktop::Window> DesktopLayout() {
  using W = FakeDesktop::Window;
  W notepad{win::kNotepad, "Untitled - Notepad", true, true, {FakeDesktop::Control(win::kNotepadEdit, "Edit", "Dear diary", 15, 4)}};
  notepad.className = "Notepad";
  notepad.rect = {0, 0, 800, 600};
  notepad.thread = 7;
  notepad.process = 70;
  W mail{win::kMail, "Mail", true, true};
  mail.className = "AfxFrame42";
  mail.rect = {100, 100, 500, 400};
  mail.thread = 8;
  mail.process = 80;
  mail.userData = 77;
  mail.children = {FakeDesktop::Control(win::kOk, "Button", "&OK", 1, kTabStop), FakeDesktop::Control(win::kCancel, "Button", "Cancel", 2, kTabStop),
                   FakeDesktop::Control(win::kLabel, "Static", "Name:", 1000), FakeDesktop::Control(win::kName, "Edit", "Ann Smith", 1001, kTabStop),
                   FakeDesktop::Control(win::kRadio, "Button", "Red", 1002, kTabStop | 9), FakeDesktop::Control(win::kList, "ListBox", "", 1003, kTabStop),
                   FakeDesktop::Control(win::kCombo, "ComboBox", "", 1004), FakeDesktop::Control(win::kListView, "SysListView32", "", 1005),
                   FakeDesktop::Control(win::kTreeView, "SysTreeView32", "", 1006), FakeDesktop::Control(win::kScroll, "ScrollBar", "", 1007),
                   FakeDesktop::Control(win::kCheck, "Button", "Check", 1008, 3)};
  for (W& c : mail.children) c.thread = 8;
  mail.children[0].rect = {110, 110, 190, 134};
  mail.children[1].rect = {200, 110, 280, 134};
  mail.children[3].rect = {110, 150, 310, 174};
  mail.children[5].items = {"one", "two", "three"};
  mail.children[5].selected = {2};
  mail.children[6].items = {"apple", "banana"};
  mail.children[6].selected = {1};
  mail.children[7].items = {"alpha", "beta", "gamma"};
  mail.children[7].selected = {1, 2};
  mail.children[8].items = {"Root", "Leaf A", "Leaf B"};
  mail.children[8].selected = {2};
  mail.menu = 1;
  W calculator{win::kCalculator, "Calculator", true, true};
  calculator.className = "CalcFrame";
  calculator.rect = {300, 300, 600, 700};
  W hidden{win::kHidden, "Hidden Notepad", false, true};
  W byHandle{win::kHandle6699, "Tool", true, true};
  W own{win::kOwnMain, "Plumo Studio", true, true, {FakeDesktop::Control(win::kOwnButton, "Button", "OK", 1)}};
  W deep{win::kDeep, "Deep", true, true};
  W* at = &deep;
  for (uint32_t h = win::kDeep + 1; h <= win::kDeep + 6; ++h) {
    at->children = {FakeDesktop::Control(h, "Pane", "", static_cast<int64_t>(h))};
    at = &at->children[0];
  }
  return {notepad, mail, calculator, hidden, byHandle, own, deep};
}

// The menu bar of the Mail window: &File (Open, Save As, a separator, More > Deeper >
// Deepest > Bottom) and &Edit (Copy).
inline void AddMailMenus(FakeDesktop& desktop) {
  auto command = [](uint32_t id, const char* text) { return MenuEntry{id, text, 0, false}; };
  auto popup = [](uint32_t menu, const char* text) { return MenuEntry{0, text, menu, false}; };
  desktop.menus[1] = {popup(2, "&File"), popup(3, "&Edit")};
  desktop.menus[2] = {command(201, "&Open...\tCtrl+O"), command(202, "Save &As..."), MenuEntry{0, "", 0, true},
                      popup(4, "&More")};
  desktop.menus[3] = {command(301, "&Copy")};
  desktop.menus[4] = {popup(5, "&Deeper")};
  desktop.menus[5] = {popup(6, "D&eepest")};
  desktop.menus[6] = {command(203, "&Bottom")};
}

class DesktopTest : public FlowTest {
 protected:
  DesktopTest() {
    RegisterDesktopActions(session);
    // The window actions took the test category: "Record" keeps its own executor.
    session.executors.RegisterAction(kTestCategory, "Record", [this](Session&, int, int index, bool) {
      std::lock_guard<std::mutex> lock(recordMu);
      recorded.push_back(session.ExpandStep(StepAt(index).text, 0, index));
      return result::kSuccess;
    });
    view.mainWindow = win::kOwnMain;
    desktop.SetWindows(DesktopLayout());
    AddMailMenus(desktop);
  }

  // One Step, its result stored in %out.
  Step& One(const std::string& action, int category, const std::string& text = "", const std::string& options = "") {
    Load({MakeStep(action, category, text)});
    Step& s = StepAt(0);
    s.options = options;
    s.output = "Variable";
    s.outputValue = "%out";
    return s;
  }
  int Exec() {
    const Step& s = StepAt(0);
    const Executor* run = session.executors.Find(s.category, s.action.str());
    return run ? (*run)(session, 0, 0, false) : -99;
  }
  std::string Out() { return vars.Get("out"); }
  std::string Error() { return session.run.errorText; }
};

}  // namespace plumo
