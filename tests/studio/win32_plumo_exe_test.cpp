// Plumo.exe as processes: the hand-over to a running studio, the single instance of a built
// program, the hidden run and the exit code.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include "base/version.h"
#include "fakes/fake_files.h"
#include "fakes/wait_for.h"
#include "fakes/win32_built_program.h"
#include "platform/win32/win32_environment.h"
#include "platform/win32/win32_registry.h"
#include "settings/settings_store.h"

namespace plumo {
namespace {

std::string PlumoExe() { return BuiltProgramPath("Plumo.exe"); }

struct FindArgs {
  DWORD pid;
  HWND found;
};
BOOL CALLBACK FindStudioOf(HWND hwnd, LPARAM lp) {
  auto* args = reinterpret_cast<FindArgs*>(lp);
  char cls[64] = {};
  GetClassNameA(hwnd, cls, sizeof(cls));
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid == args->pid && std::string(cls) == "PlumoClass") {
    args->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

struct DescribeArgs {
  DWORD pid;
  std::string text;
};
BOOL CALLBACK DescribeWindowOf(HWND hwnd, LPARAM lp) {
  auto* args = reinterpret_cast<DescribeArgs*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != args->pid) return TRUE;
  char cls[64] = {}, title[128] = {};
  GetClassNameA(hwnd, cls, sizeof(cls));
  GetWindowTextA(hwnd, title, sizeof(title));
  args->text += std::string("[") + cls + " \"" + title + "\"" + (IsWindowVisible(hwnd) ? " visible] " : " hidden] ");
  return TRUE;
}

class Process {
 public:
  Process(const std::string& exe, const std::string& args) {
    std::string cmd = "\"";
    cmd += exe;
    cmd += "\" ";
    cmd += args;
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    started_ = CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_);
  }
  ~Process() {
    if (!started_) return;
    if (!Exited(0)) {
      if (HWND w = Window()) PostMessageA(w, WM_CLOSE, 0, 0);
      if (!Exited(5000)) TerminateProcess(pi_.hProcess, 99);
    }
    CloseHandle(pi_.hThread);
    CloseHandle(pi_.hProcess);
  }
  bool started() const { return started_; }
  bool Exited(DWORD ms) { return WaitForSingleObject(pi_.hProcess, ms) == WAIT_OBJECT_0; }
  DWORD ExitCode() {
    DWORD code = 12345;
    GetExitCodeProcess(pi_.hProcess, &code);
    return code;
  }
  HWND Window() {
    FindArgs args{pi_.dwProcessId, nullptr};
    EnumWindows(&FindStudioOf, reinterpret_cast<LPARAM>(&args));
    return args.found;
  }
  HWND WaitForVisibleWindow() {
    HWND w = nullptr;
    if (WaitFor([&] { return (w = Window()) != nullptr && IsWindowVisible(w); }, 20000)) return w;
    // Seen once on a loaded machine: say what the studio was doing instead.
    DescribeArgs seen{pi_.dwProcessId, ""};
    EnumWindows(&DescribeWindowOf, reinterpret_cast<LPARAM>(&seen));
    ADD_FAILURE() << "no visible studio window after 20 s; the process "
                  << (Exited(0) ? "ended with code " + std::to_string(ExitCode()) : std::string("runs"))
                  << "; its top-level windows: " << (seen.text.empty() ? "none" : seen.text);
    return nullptr;
  }

 private:
  PROCESS_INFORMATION pi_ = {};
  bool started_ = false;
};

std::string TitleOf(HWND main) {
  char buf[512] = {};
  GetWindowTextA(main, buf, sizeof(buf));
  return buf;
}

std::string ScriptFile(const char* name) {
  std::string path = TestFilePath(name);
  std::ofstream(path) << "<Plumo>\r\n<step>\r\n\t<action>Comment</action>\r\n</step>\r\n</Plumo>";
  return path;
}

std::string StatusText(HWND main) {
  HWND status = FindWindowExA(main, nullptr, "msctls_statusbar32", nullptr);
  char buf[512] = {};
  if (status) SendMessageA(status, WM_GETTEXT, sizeof(buf), reinterpret_cast<LPARAM>(buf));
  return buf;
}

class PlumoExeTest : public testing::Test {
 protected:
  void SetUp() override { ClearSlots(); }
  void TearDown() override {
    ClearSlots();
    store_.Delete("*\\DefaultReturnCode");
  }
  void ClearSlots() {
    for (int n = 1; n <= 8; ++n) store_.Delete("SOFTWARE\\Plumo\\FileOpenFromExternal_%d", {n});
  }

  Win32Registry reg_;
  Win32Environment env_;
  FakeFiles files_;
  SettingsStore store_{reg_, env_, files_};
};

TEST_F(PlumoExeTest, ASecondStudioHandsItsFileToTheFirstAndExits) {
  Process first(PlumoExe(), "");
  ASSERT_TRUE(first.started());
  HWND main = first.WaitForVisibleWindow();
  ASSERT_NE(main, nullptr);
  EXPECT_NE(StatusText(main).find(" Plumo Studio 7.76 running on Microsoft "), std::string::npos) << StatusText(main);

  Process second(PlumoExe(), "-e \"" + ScriptFile("handed.vxm") + "\"");
  ASSERT_TRUE(second.Exited(20000));
  EXPECT_EQ(second.ExitCode(), 0u);
  EXPECT_TRUE(WaitFor([&] { return TitleOf(main) == "handed.vxm - Plumo Studio 7.76"; }, 5000)) << TitleOf(main);
  EXPECT_EQ(store_.Probe("SOFTWARE\\Plumo\\FileOpenFromExternal_1"), 0u);  // taken by the first

  store_.WriteNumber("*\\DefaultReturnCode", 7);
  PostMessageA(main, WM_CLOSE, 0, 0);
  ASSERT_TRUE(first.Exited(10000));
  EXPECT_EQ(first.ExitCode(), 7u);
}

TEST_F(PlumoExeTest, WithEveryHandOverSlotTakenANewStudioStarts) {
  Process first(PlumoExe(), "");
  ASSERT_NE(first.WaitForVisibleWindow(), nullptr);
  for (int n = 1; n <= 8; ++n) store_.WriteText("SOFTWARE\\Plumo\\FileOpenFromExternal_%d", "taken.vxm", {n});
  Process second(PlumoExe(), "-e \"" + ScriptFile("ninth.vxm") + "\"");
  HWND own = second.WaitForVisibleWindow();
  ASSERT_NE(own, nullptr);
  EXPECT_TRUE(WaitFor([&] { return TitleOf(own) == "ninth.vxm - Plumo Studio 7.76"; }, 5000)) << TitleOf(own);
  EXPECT_FALSE(second.Exited(0));
}

TEST_F(PlumoExeTest, HiddenRunsRunTheScriptAndEndWithTheReturnCode) {
  std::string script = TestFilePath("plumo_exe_test.vxm");
  std::ofstream(script) << "<Plumo>\r\n<step>\r\n\t<action>Comment</action>\r\n</step>\r\n</Plumo>";
  store_.WriteNumber("*\\DefaultReturnCode", 5);
  Process run(PlumoExe(), "-r \"" + script + "\" %fromExe=\"a b\"");
  ASSERT_TRUE(run.Exited(20000));
  EXPECT_EQ(run.ExitCode(), 5u);
  EXPECT_EQ(run.Window(), nullptr);
  store_.WriteNumber("*\\DefaultReturnCode", 0);
  EXPECT_EQ(store_.ReadText("SOFTWARE\\Plumo\\UserVariables\\fromExe", 64), "a b");
  store_.Delete("SOFTWARE\\Plumo\\UserVariables\\fromExe");

  Process missing(PlumoExe(), "-r C:\\nowhere\\missing.vxm");
  ASSERT_TRUE(missing.Exited(20000));
  EXPECT_EQ(missing.ExitCode(), 2u);  // cannot be found or loaded
  DeleteFileA(script.c_str());
}

// A copy of Plumo.exe whose option block the builder marked as single instance.
std::string SingleInstanceCopy() {
  std::ifstream in(PlumoExe(), std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // The tag followed by the version: the studio's code may hold the tag alone as a constant.
  size_t at = bytes.find(std::string("~BUFFER~") + kVersionText);
  if (at == std::string::npos) return std::string();
  bytes[at] = '1';
  std::string copy = TestFilePath("PlumoSingle.exe");
  std::ofstream(copy, std::ios::binary | std::ios::trunc) << bytes;
  return copy;
}

TEST_F(PlumoExeTest, ABuiltSingleInstanceProgramRefusesASecondCopy) {
  std::string exe = SingleInstanceCopy();
  ASSERT_FALSE(exe.empty()) << "no option block in Plumo.exe";
  {
    Process first(exe, "");
    ASSERT_NE(first.WaitForVisibleWindow(), nullptr);
    Process second(exe, "");
    ASSERT_TRUE(second.Exited(20000));
    EXPECT_EQ(second.ExitCode(), 0u);
    EXPECT_EQ(second.Window(), nullptr);
    EXPECT_FALSE(first.Exited(0));
    // -r is never refused: this one runs its Script and ends with the return code.
    std::string script = TestFilePath("single.vxm");
    std::ofstream(script) << "<Plumo>\r\n<step>\r\n\t<action>Comment</action>\r\n</step>\r\n</Plumo>";
    store_.WriteNumber("*\\DefaultReturnCode", 3);
    Process run(exe, "-r \"" + script + "\"");
    ASSERT_TRUE(run.Exited(20000));
    EXPECT_EQ(run.ExitCode(), 3u);
    store_.WriteNumber("*\\DefaultReturnCode", 0);
    DeleteFileA(script.c_str());
  }
  DeleteFileA(exe.c_str());
}

}  // namespace
}  // namespace plumo
