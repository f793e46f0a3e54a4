// Proves that the Windows tests drive a real desktop: a real window of another process gets
// synthetic keyboard input, and the real registry keeps what is written to it.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "fakes/wait_for.h"
#include "fakes/win32_built_program.h"

#include "platform/win32/win32_registry.h"

namespace plumo {
namespace {

std::string WindowText(HWND hwnd) {
  char buf[512] = {};
  LRESULT n = SendMessageA(hwnd, WM_GETTEXT, sizeof(buf), reinterpret_cast<LPARAM>(buf));
  return std::string(buf, static_cast<size_t>(n));
}

// Keys for one character, with Shift held where the layout needs it.
void AddKeys(std::vector<INPUT>& inputs, char c) {
  SHORT scan = VkKeyScanA(c);
  ASSERT_NE(scan, -1) << "no key for " << c;
  WORD vk = LOBYTE(scan);
  bool shift = (HIBYTE(scan) & 1) != 0;
  auto key = [&](WORD code, bool up) {
    INPUT in = {};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = code;
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    inputs.push_back(in);
  };
  if (shift) key(VK_SHIFT, false);
  key(vk, false);
  key(vk, true);
  if (shift) key(VK_SHIFT, true);
}

BOOL CALLBACK PostClose(HWND hwnd, LPARAM) {
  PostMessageA(hwnd, WM_CLOSE, 0, 0);
  return TRUE;
}

// The title is set before WM_CREATE makes the EDIT child, so wait for the child, not the title.
HWND WaitForEdit(const std::string& title, HWND* window) {
  HWND edit = nullptr;
  WaitFor(
      [&] {
        *window = FindWindowA(nullptr, title.c_str());
        edit = *window ? FindWindowExA(*window, nullptr, "EDIT", nullptr) : nullptr;
        return edit != nullptr;
      },
      15000);
  return edit;
}

class SmokeTarget {
 public:
  explicit SmokeTarget(const std::string& title) {
    // Built piece by piece: GCC 12 warns falsely on '"literal" + std::string&&'.
    std::string cmd = "\"";
    cmd += TestFilePath("smoke_target.exe");
    cmd += "\" ";
    cmd += title;
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    started_ = CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_);
  }
  ~SmokeTarget() {
    if (!started_) return;
    if (WaitForSingleObject(pi_.hProcess, 0) != WAIT_OBJECT_0) {
      EnumThreadWindows(pi_.dwThreadId, &PostClose, 0);
      if (WaitForSingleObject(pi_.hProcess, 5000) != WAIT_OBJECT_0) TerminateProcess(pi_.hProcess, 1);
    }
    CloseHandle(pi_.hThread);
    CloseHandle(pi_.hProcess);
  }
  bool started() const { return started_; }

 private:
  PROCESS_INFORMATION pi_ = {};
  bool started_ = false;
};

TEST(Win32Desktop, TypedKeysArriveInTheEditControlOfAnotherProgram) {
  const std::string title = "Plumo Smoke " + std::to_string(GetCurrentProcessId());
  SmokeTarget target(title);
  ASSERT_TRUE(target.started()) << "cannot start smoke_target.exe: " << GetLastError();

  HWND window = nullptr;
  HWND edit = WaitForEdit(title, &window);
  ASSERT_NE(edit, nullptr) << "no window titled " << title << " with an EDIT child";

  SetForegroundWindow(window);
  ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == window; }, 5000)) << "window not in front";

  std::vector<INPUT> inputs;
  for (char c : std::string("Hello World")) AddKeys(inputs, c);
  ASSERT_EQ(SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)), inputs.size());

  WaitFor([&] { return WindowText(edit) == "Hello World"; }, 5000);
  EXPECT_EQ(WindowText(edit), "Hello World");
}

TEST(Win32Desktop, KeysGoToTheForegroundWindowOnly) {
  const std::string base = "Plumo Smoke " + std::to_string(GetCurrentProcessId());
  SmokeTarget back(base + " back");
  ASSERT_TRUE(back.started());
  HWND backWindow = nullptr;
  HWND backEdit = WaitForEdit(base + " back", &backWindow);
  ASSERT_NE(backEdit, nullptr);
  SmokeTarget front(base + " front");
  ASSERT_TRUE(front.started());
  HWND frontWindow = nullptr;
  HWND frontEdit = WaitForEdit(base + " front", &frontWindow);
  ASSERT_NE(frontEdit, nullptr);

  SetForegroundWindow(frontWindow);
  ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == frontWindow; }, 5000));
  std::vector<INPUT> inputs;
  for (char c : std::string("front")) AddKeys(inputs, c);
  ASSERT_EQ(SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)), inputs.size());

  WaitFor([&] { return WindowText(frontEdit) == "front"; }, 5000);
  EXPECT_EQ(WindowText(frontEdit), "front");
  EXPECT_EQ(WindowText(backEdit), "");
}

TEST(Win32Desktop, RegistryKeepsWhatIsWritten) {
  Win32Registry reg;
  const std::string key = "Software\\PlumoSmokeTest";
  ASSERT_TRUE(reg.WriteValue(RegRoot::kCurrentUser, key, "Greeting", RegValue::Text("Hello World")).ok());
  // Read back through the raw API, not through the port that wrote it.
  char buf[64] = {};
  DWORD size = sizeof(buf), type = 0;
  HKEY h;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &h), ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValueExA(h, "Greeting", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size), ERROR_SUCCESS);
  RegCloseKey(h);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_STREQ(buf, "Hello World");
  EXPECT_TRUE(reg.DeleteKeyTree(RegRoot::kCurrentUser, key).ok());
}

}  // namespace
}  // namespace plumo
