// The Win32 desktop port against another program's windows: what the port reads matches the
// target program, and what it does arrives there (the target's log says so).
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <thread>

#include "fakes/win32_target.h"
#include "platform/win32/win32_desktop.h"
#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_processes.h"

namespace plumo {
namespace {

class Win32WindowsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    target_ = std::make_unique<TargetProgram>(
        "--class PlumoPortTarget --data -42 --window \"Port Alpha\" --class PlumoTarget --data 0 --window \"Port Beta\" "
        "--hung \"Port Hung\"");
  }
  static void TearDownTestSuite() { target_.reset(); }
  void SetUp() override {
    ASSERT_TRUE(target_->ready()) << "plumo_target.exe did not start";
    alpha = FromHwnd(FindWindowA("PlumoPortTarget", "Port Alpha"));
    beta = FromHwnd(FindWindowA("PlumoTarget", "Port Beta"));
    ASSERT_NE(alpha, 0u);
    ASSERT_NE(beta, 0u);
  }
  uint32_t Control(int id) { return FromHwnd(GetDlgItem(ToHwnd(alpha), id)); }

  static std::unique_ptr<TargetProgram> target_;
  Win32Desktop desktop;
  uint32_t alpha = 0, beta = 0;
};
std::unique_ptr<TargetProgram> Win32WindowsTest::target_;

TEST_F(Win32WindowsTest, ReadsTheFactsOfAnotherProgramsWindows) {
  const std::vector<uint32_t> top = desktop.EnumWindows();
  EXPECT_NE(std::find(top.begin(), top.end(), alpha), top.end());
  EXPECT_EQ(desktop.ClassName(alpha), "PlumoPortTarget");
  EXPECT_EQ(desktop.WindowText(alpha, 255), "Port Alpha");
  EXPECT_EQ(desktop.WindowLong(alpha, gwl::kUserData), -42);
  EXPECT_NE(desktop.WindowLong(alpha, gwl::kStyle) & ws::kThickFrame, 0);
  const std::vector<uint32_t> children = desktop.EnumChildWindows(alpha);
  EXPECT_GE(children.size(), 13u);
  EXPECT_EQ(desktop.WindowLong(Control(102), gwl::kId), 102);
  EXPECT_EQ(desktop.WalkWindows(Control(102), WindowStep::kParent), alpha);
  std::optional<WindowRect> r = desktop.GetWindowRect(Control(104));
  ASSERT_TRUE(r);
  EXPECT_EQ(desktop.WindowFromPoint((r->left + r->right) / 2, (r->top + r->bottom) / 2), Control(104));
  uint32_t pid = 0;
  EXPECT_NE(desktop.GetWindowThreadProcessId(alpha, &pid), 0u);
  EXPECT_EQ(pid, target_->processId());
  Win32Processes processes;
  std::string path;
  ASSERT_TRUE(processes.ImagePath(pid, &path).ok());
  EXPECT_NE(path.find("plumo_target.exe"), std::string::npos) << path;
}

TEST_F(Win32WindowsTest, MessagesArriveAndAnswer) {
  EXPECT_EQ(desktop.SendTextMessage(Control(102), wm::kSetText, 0, "from the port"), 1);
  EXPECT_TRUE(target_->Logged("102 SETTEXT from the port"));
  EXPECT_EQ(desktop.SendBufferMessage(Control(102), wm::kGetText, 256, 255, 250), "from the port");
  EXPECT_EQ(desktop.SendTextMessage(Control(110), wm::kLbAddString, 0, "four"), 3);
  EXPECT_EQ(desktop.SendBufferMessage(Control(110), wm::kLbGetText, 3, 4, 250), "four");
  desktop.SendToDlgItem(alpha, 105, wm::kBmSetCheck, 1, 0);
  EXPECT_TRUE(target_->Logged("105 CHECK 1"));
  EXPECT_EQ(desktop.Send(Control(105), wm::kBmGetCheck, 0, 0, 250), 1);
  EXPECT_TRUE(desktop.Post(alpha, wm::kCommand, 202, 0));
  EXPECT_TRUE(target_->Logged("w1 MENU 202"));
}

TEST_F(Win32WindowsTest, ListViewAndTreeViewItemsAreReadInTheirProgram) {
  EXPECT_EQ(desktop.Send(Control(112), wm::kLvmGetItemCount, 0, 0, 250), 3);
  EXPECT_EQ(desktop.Send(Control(112), wm::kLvmGetNextItem, static_cast<uint64_t>(-1), kLvniSelected, 250), 1);
  EXPECT_EQ(desktop.ListViewItemText(Control(112), 2, 255), "gamma");
  const int64_t caret = desktop.Send(Control(113), wm::kTvmGetNextItem, kTvgnCaret, 0, 250).value_or(0);
  EXPECT_EQ(desktop.TreeViewItemText(Control(113), caret, 255), "Leaf B");
}

TEST_F(Win32WindowsTest, AHungWindowCostsNoMoreThanTheTimeOut) {
  const uint32_t hung = FromHwnd(FindWindowA(nullptr, "Port Hung"));
  ASSERT_NE(hung, 0u);
  const DWORD start = GetTickCount();
  EXPECT_FALSE(desktop.SendBufferMessage(hung, wm::kGetText, 256, 255, 100));
  EXPECT_LT(GetTickCount() - start, 400u);
}

TEST_F(Win32WindowsTest, ForegroundAndFocusThroughAttachedInput) {
  EXPECT_TRUE(desktop.SetForegroundWindow(beta));
  EXPECT_TRUE(WaitFor([&] { return desktop.ForegroundWindow() == beta; }, 3000));
  EXPECT_TRUE(target_->Logged("w2 ACTIVATE"));
  const uint32_t thread = desktop.GetWindowThreadProcessId(beta, nullptr);
  ASSERT_TRUE(desktop.AttachThreadInput(desktop.GetCurrentThreadId(), thread, true));
  const uint32_t focus = desktop.GetFocus();
  desktop.AttachThreadInput(desktop.GetCurrentThreadId(), thread, false);
  EXPECT_TRUE(focus == beta || desktop.WalkWindows(focus, WindowStep::kParent) == beta) << focus;
}

// Wine keeps a menu inside the process that made it (docs/WINE.md).
TEST_F(Win32WindowsTest, MenusOfAnotherProgramAreWalkedByPositionNotUnderWine) {
  if (RunningUnderWine()) GTEST_SKIP() << "Wine cannot read another process's menus";
  const uint32_t bar = desktop.GetMenu(alpha);
  ASSERT_NE(bar, 0u);
  ASSERT_EQ(desktop.GetMenuItemCount(bar), 2);
  std::optional<MenuEntry> file = desktop.GetMenuItem(bar, 0);
  ASSERT_TRUE(file);
  EXPECT_EQ(file->text, "&File");
  ASSERT_NE(file->submenu, 0u);
  std::optional<MenuEntry> saveAs = desktop.GetMenuItem(file->submenu, 1);
  ASSERT_TRUE(saveAs);
  EXPECT_EQ(saveAs->text, "Save &As...");
  EXPECT_EQ(saveAs->id, 202u);
  EXPECT_TRUE(desktop.GetMenuItem(file->submenu, 2).value_or(MenuEntry{}).separator);
}

// What activation does on Windows at once, and under Wine once the other program has handled
// its messages: the window is in front, on top of the Z order, framed, and its show states
// change when asked.
TEST_F(Win32WindowsTest, ActivationTakesEffectAtOnceOnWindowsSoonUnderWine) {
  const unsigned long patienceMs = RunningUnderWine() ? 2000 : 0;
  auto topVisible = [&] {
    uint32_t top = desktop.WalkWindows(0, WindowStep::kTop);
    while (top && !desktop.IsWindowVisible(top)) top = desktop.WalkWindows(top, WindowStep::kNext);
    return top;
  };
  for (uint32_t w : {alpha, beta, alpha}) {
    EXPECT_TRUE(desktop.SetForegroundWindow(w));
    EXPECT_TRUE(WaitFor([&] { return desktop.ForegroundWindow() == w; }, patienceMs)) << desktop.ForegroundWindow();
    // Wine leaves another program's window where it was in the Z order (docs/WINE.md).
    if (RunningUnderWine()) desktop.BringWindowToTop(w);
    EXPECT_TRUE(WaitFor([&] { return topVisible() == w; }, patienceMs)) << desktop.WindowText(topVisible(), 99);
  }
  RECT client = {};
  GetClientRect(ToHwnd(alpha), &client);
  const WindowRect outer = desktop.GetWindowRect(alpha).value_or(WindowRect{});
  EXPECT_GT(outer.bottom - outer.top, client.bottom + 10) << "no caption and frame";
  desktop.ShowWindow(alpha, sw::kMinimize);
  EXPECT_TRUE(desktop.IsIconic(alpha));
  desktop.ShowWindow(alpha, sw::kRestore);
  EXPECT_FALSE(desktop.IsIconic(alpha));
  EXPECT_TRUE(target_->Logged("w1 SIZE minimized"));
}

TEST_F(Win32WindowsTest, MenusOfThisProcessAreWalkedByPosition) {
  HMENU bar = CreateMenu(), file = CreatePopupMenu();
  AppendMenuA(file, MF_STRING, 201, "&Open...\tCtrl+O");
  AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
  const uint32_t menu = FromHmenu(bar);
  ASSERT_EQ(desktop.GetMenuItemCount(menu), 1);
  const MenuEntry top = desktop.GetMenuItem(menu, 0).value_or(MenuEntry{});
  EXPECT_EQ(top.text, "&File");
  EXPECT_EQ(top.submenu, FromHmenu(file));
  const MenuEntry open = desktop.GetMenuItem(top.submenu, 0).value_or(MenuEntry{});
  EXPECT_EQ(open.text, "&Open...\tCtrl+O");
  EXPECT_EQ(open.id, 201u);
  EXPECT_TRUE(desktop.GetMenuItem(top.submenu, 1).value_or(MenuEntry{}).separator);
  EXPECT_FALSE(desktop.GetMenuItem(top.submenu, 2));
  DestroyMenu(bar);
}

TEST_F(Win32WindowsTest, APopupMenuAnswersTheChosenEntry) {
  // The keys that choose the second entry come while the menu is open.
  std::thread keys([] {
    Sleep(700);
    for (WORD key : {VK_DOWN, VK_DOWN, VK_RETURN}) {
      INPUT in[2] = {};
      in[0].type = in[1].type = INPUT_KEYBOARD;
      in[0].ki.wVk = in[1].ki.wVk = key;
      in[1].ki.dwFlags = KEYEVENTF_KEYUP;
      SendInput(2, in, sizeof(INPUT));
      Sleep(100);
    }
  });
  std::vector<MenuEntry> entries(3);
  entries[0].text = "One";
  entries[1].separator = true;
  entries[2].text = "Three";
  std::optional<size_t> chosen = desktop.TrackPopupMenu(entries, 200, 200);
  keys.join();
  EXPECT_EQ(chosen, 2u);
}

}  // namespace
}  // namespace plumo
