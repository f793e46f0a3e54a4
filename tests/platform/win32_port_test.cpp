// The Windows port against the shared behaviour: the real registry, environment, clock and a
// message-loop queue.
#include <windows.h>

#include "base/text.h"
#include "platform/port_conformance.h"
#include "platform/win32/win32_clipboard.h"
#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_desktop.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_locale.h"
#include "platform/win32/win32_system.h"
#include "platform/win32/win32_environment.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_main_queue.h"
#include "platform/win32/win32_processes.h"
#include "platform/win32/win32_registry.h"

namespace plumo {
namespace {

INSTANTIATE_TEST_SUITE_P(Win32, RegistryConformance,
                         testing::Values(PortFactory<Registry>{
                             "Win32", [] { return std::make_unique<Win32Registry>(); }}),
                         PortName<Registry>);

// Another program's writes reach the change stamp through the key's change notification; a
// second object over the registry stands in for the other program.
TEST(Win32Registry, WritesByAnotherProgramMoveTheChangeStamp) {
  const std::string key = "SOFTWARE\\PlumoTest\\Notified";
  Win32Registry mine, theirs;
  ASSERT_TRUE(mine.CreateKey(RegRoot::kCurrentUser, key).ok());
  const uint64_t before = mine.ChangeStamp(RegRoot::kCurrentUser, key);
  EXPECT_EQ(mine.ChangeStamp(RegRoot::kCurrentUser, key), before);
  ASSERT_TRUE(theirs.WriteValue(RegRoot::kCurrentUser, key + "\\Deeper", "v", RegValue::Number(7)).ok());
  const uint64_t after = mine.ChangeStamp(RegRoot::kCurrentUser, key);
  EXPECT_NE(after, before);
  EXPECT_EQ(mine.ChangeStamp(RegRoot::kCurrentUser, key), after);
  ASSERT_TRUE(theirs.DeleteKeyTree(RegRoot::kCurrentUser, "SOFTWARE\\PlumoTest\\Notified").ok());
  EXPECT_NE(mine.ChangeStamp(RegRoot::kCurrentUser, key), after);
}

INSTANTIATE_TEST_SUITE_P(Win32, EnvironmentConformance,
                         testing::Values(PortFactory<Environment>{
                             "Win32", [] { return std::make_unique<Win32Environment>(); }}),
                         PortName<Environment>);

INSTANTIATE_TEST_SUITE_P(Win32, ClockConformance,
                         testing::Values(PortFactory<Clock>{
                             "Win32", [] { return std::make_unique<Win32Clock>(); }}),
                         PortName<Clock>);

INSTANTIATE_TEST_SUITE_P(Win32, MainQueueConformance,
                         testing::Values(PortFactory<MainQueue>{
                             "Win32", [] { return std::make_unique<Win32MainQueue>(); }}),
                         PortName<MainQueue>);

INSTANTIATE_TEST_SUITE_P(Win32, LocaleConformance,
                         testing::Values(PortFactory<Locale>{
                             "Win32", [] { return std::make_unique<Win32Locale>(); }}),
                         PortName<Locale>);

INSTANTIATE_TEST_SUITE_P(Win32, SystemConformance,
                         testing::Values(PortFactory<System>{
                             "Win32", [] { return std::make_unique<Win32System>(); }}),
                         PortName<System>);

INSTANTIATE_TEST_SUITE_P(Win32, FilesConformance,
                         testing::Values(FilesSetup{"Win32",
                                                    [](std::string* root) {
                                                      *root = LayOutFilesFolder("win32");
                                                      return std::make_unique<Win32Files>();
                                                    }}),
                         FilesSetupName);

// A file another program holds without sharing can be neither read nor replaced, and keeps its content.
TEST(Win32Files, ALockedFileIsRefusedAndKept) {
  char temp[MAX_PATH];
  ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
  const std::string path = std::string(temp) + "plumo_locked.vxm";
  Win32Files files;
  bool created = false;
  ASSERT_TRUE(files.ReplaceContent(path, "old", &created).ok());
  HANDLE held = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::string out;
  bool opened = true;
  EXPECT_FALSE(files.ReadFile(path, &out, &opened).ok());
  EXPECT_FALSE(opened);
  OsError e = files.ReplaceContent(path, "new", &created);
  EXPECT_FALSE(e.ok());
  EXPECT_FALSE(created);
  EXPECT_FALSE(files.Delete(path).ok());
  CloseHandle(held);
  ASSERT_TRUE(files.ReadFile(path, &out, &opened).ok());
  EXPECT_EQ(out, "old");
  DeleteFileA(path.c_str());
}

TEST(Win32Processes, RunAndWaitRunsTheCommandLineToItsEnd) {
  char temp[MAX_PATH];
  ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
  const std::string marker = std::string(temp) + "plumo run marker.txt";
  DeleteFileA(marker.c_str());
  Win32Processes processes;
  ASSERT_TRUE(processes.RunAndWait("cmd /c echo ok> \"" + marker + "\"", 20000).ok());
  EXPECT_NE(GetFileAttributesA(marker.c_str()), INVALID_FILE_ATTRIBUTES);
  DeleteFileA(marker.c_str());
  const OsError missing = processes.RunAndWait("C:\\nowhere\\packer.exe -9", 1000);
  EXPECT_FALSE(missing.ok());
  EXPECT_EQ(missing.call(), "CreateProcessA");
}

TEST(Win32System, NamesItsFoldersAndTheCommandLine) {
  Win32System system;
  EXPECT_NE(system.SystemFolder().find('\\'), std::string::npos);
  EXPECT_EQ(system.SystemFolder().rfind(system.WindowsFolder(), 0), 0u);
  EXPECT_NE(system.CommandLine().find("platform_test"), std::string::npos);
  system.AnnounceEnvironmentChange();
}

TEST(Win32Clipboard, TextGoesOnAndComesBack) {
  Win32Clipboard clipboard;
  ASSERT_TRUE(clipboard.SetText("Plumo clipboard 4711").ok());
  EXPECT_EQ(clipboard.Text(), "Plumo clipboard 4711");
  ASSERT_TRUE(clipboard.SetText(std::string("cut\0here", 8)).ok());
  EXPECT_EQ(clipboard.Text(), "cut");
  ASSERT_TRUE(clipboard.Clear().ok());
  EXPECT_EQ(clipboard.Text(), std::nullopt);
}

TEST(Win32System, KnowsItIsWindows) {
  Win32System system;
  OsVersion v = system.Version();
  EXPECT_TRUE(v.windows);
  EXPECT_GE(v.major, 4u);
  uint32_t value = 0;
  EXPECT_FALSE(system.ShellOpen("plumo-no-such-program.exe", &value).ok());
  EXPECT_LE(value, 32u);
}

// A window of this process with a title no other window has.
class OwnWindow {
 public:
  explicit OwnWindow(const char* title) {
    hwnd_ = CreateWindowExA(0, "STATIC", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 100, nullptr,
                            nullptr, GetModuleHandleA(nullptr), nullptr);
    SetForegroundWindow(hwnd_);
    Pump();
  }
  ~OwnWindow() {
    if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
  }
  static void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  uint32_t handle() const { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(hwnd_)); }

 private:
  HWND hwnd_;
};

TEST(Win32Desktop, FindsActivatesAndClosesWindows) {
  Win32Desktop desktop;
  OwnWindow window("Plumo Desktop Port Test 4711");
  ASSERT_NE(window.handle(), 0u);
  EXPECT_TRUE(desktop.IsWindow(window.handle()));
  EXPECT_FALSE(desktop.IsWindow(0));
  EXPECT_EQ(desktop.FindWindowByTitle("Plumo Desktop Port Test 4711"), window.handle());
  EXPECT_EQ(desktop.FindWindowByTitle("Plumo Desktop Port Test"), 0u);
  bool listed = false;
  for (const TitledWindow& w : desktop.WindowsFromForeground())
    listed |= w.handle == window.handle() && w.title == "Plumo Desktop Port Test 4711";
  EXPECT_TRUE(listed);
  EXPECT_TRUE(desktop.ActivateWindow(window.handle()));
  OwnWindow::Pump();
  EXPECT_FALSE(desktop.ActivateWindow(0));
  EXPECT_TRUE(desktop.RequestClose(window.handle()));
  OwnWindow::Pump();
  EXPECT_FALSE(desktop.IsWindow(window.handle()));
}

TEST(Win32Desktop, WalksTheWindowsInZOrder) {
  Win32Desktop desktop;
  OwnWindow framed("Plumo Walk Test Framed");
  HWND h = reinterpret_cast<HWND>(static_cast<uintptr_t>(framed.handle()));
  HWND popup = CreateWindowExA(0, "STATIC", "Plumo Walk Test Popup", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
  HWND child = CreateWindowExA(0, "BUTTON", "OK", WS_CHILD | WS_VISIBLE, 5, 5, 40, 20, h, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
  OwnWindow::Pump();
  auto handle = [](HWND w) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(w)); };
  bool sawFramed = false, sawPopup = false;
  int walked = 0;
  for (uint32_t w = desktop.WalkWindows(0, WindowStep::kTop); w != 0 && walked < 10000;
       w = desktop.WalkWindows(w, WindowStep::kNext), ++walked) {
    sawFramed |= w == framed.handle();
    sawPopup |= w == handle(popup);
  }
  EXPECT_TRUE(sawFramed);
  EXPECT_TRUE(sawPopup);
  EXPECT_TRUE(desktop.IsFramedTopLevel(framed.handle()));
  EXPECT_FALSE(desktop.IsFramedTopLevel(handle(popup)));
  EXPECT_EQ(desktop.WalkWindows(framed.handle(), WindowStep::kFirstChild), handle(child));
  EXPECT_FALSE(desktop.IsFramedTopLevel(handle(child)));
  EXPECT_EQ(desktop.WalkWindows(handle(child), WindowStep::kNext), 0u);
  DestroyWindow(popup);
}

TEST(Win32Desktop, ReadsTheScreen) {
  Win32Desktop desktop;
  ScreenInfo s = desktop.Screen();
  EXPECT_GT(s.bitsPerPixel, 0u);
  EXPECT_GE(s.monitors, 1u);
  EXPECT_GT(s.width, 0u);
  EXPECT_GT(s.height, 0u);
  EXPECT_TRUE(desktop.PixelColor(0, 0).has_value());
  EXPECT_FALSE(desktop.IsKeyPressed(0x41));
  std::vector<MonitorArea> monitors = desktop.Monitors();
  ASSERT_EQ(monitors.size(), s.monitors);
  EXPECT_GT(monitors[0].width, 0);
}

TEST(Win32Desktop, TellsTheFactsOfAWindow) {
  Win32Desktop desktop;
  OwnWindow window("Plumo Facts 4711");
  std::optional<WindowFacts> f = desktop.Facts(window.handle());
  ASSERT_TRUE(f.has_value());
  EXPECT_EQ(f->title, "Plumo Facts 4711");
  EXPECT_TRUE(EqualsNoCase(f->className, "STATIC")) << f->className;
  EXPECT_EQ(f->width, 200);
  EXPECT_EQ(f->height, 100);
  EXPECT_FALSE(desktop.Facts(0).has_value());
}

}  // namespace
}  // namespace plumo
