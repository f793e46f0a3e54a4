#include "studio/main_window.h"

#include <commctrl.h>

#include "studio/startup.h"
#include "studio/studio_commands.h"

namespace plumo {
namespace {

constexpr UINT kStatusBarId = 1;

uint8_t HeldModifiers() {
  uint8_t m = 0;
  if (GetAsyncKeyState(VK_CONTROL) < 0) m |= keymod::kCtrl;
  if (GetAsyncKeyState(VK_SHIFT) < 0) m |= keymod::kShift;
  if (GetAsyncKeyState(VK_MENU) < 0) m |= keymod::kAlt;
  return m;
}

}  // namespace

MainWindow::MainWindow(HINSTANCE instance, SettingsStore& store) : instance_(instance), store_(store) {}

MainWindow::~MainWindow() {
  if (hwnd_) DestroyWindow(hwnd_);
}

bool MainWindow::Create(bool hidden, int showCommand) {
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = &MainWindow::Proc;
  wc.hInstance = instance_;
  wc.hIcon = LoadIconA(instance_, MAKEINTRESOURCEA(kProgramIcon));
  if (!wc.hIcon) wc.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
  wc.hIconSm = LoadIconA(instance_, MAKEINTRESOURCEA(kProgramIcon));
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kMainWindowClass;
  if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;

  WindowPlacement at = MainWindowPlacement(store_, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  hwnd_ = CreateWindowExA(0, kMainWindowClass, kMainWindowTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, at.left,
                          at.top, at.width, at.height, nullptr, nullptr, instance_, this);
  if (!hwnd_) return false;
  status_ = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, hwnd_,
                            reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kStatusBarId)), instance_, nullptr);
  if (hidden) return true;
  ShowWindow(hwnd_, store_.ReadNumber("*\\window_maximized") != 0 ? SW_SHOWMAXIMIZED : showCommand);
  UpdateWindow(hwnd_);
  return true;
}

void MainWindow::SetStatus(const std::string& text) {
  if (status_) SetWindowTextA(status_, text.c_str());
}

void MainWindow::TakeHandedOverFile() {
  for (int n = 1; n <= kHandOverSlots; ++n) {
    if (store_.Probe(kHandOverSlot, {n}) == 0) continue;
    std::string file = store_.ReadText(kHandOverSlot, 259, {n});
    store_.Delete(kHandOverSlot, {n});
    SetStatus(" Handed over: " + file + " (opening Scripts is not built yet)");
    return;
  }
}

LRESULT CALLBACK MainWindow::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    static_cast<MainWindow*>(cs->lpCreateParams)->hwnd_ = hwnd;  // messages arrive before CreateWindowEx returns
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
  return self->Handle(msg, wp, lp);
}

LRESULT MainWindow::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
      if (LOWORD(wp) == command::kOpenHandedOverFiles) TakeHandedOverFile();
      return 0;
    case WM_SIZE:
      if (status_) SendMessageA(status_, WM_SIZE, 0, 0);
      return 0;
    case WM_DESTROY:
      for (int n = 1; n <= kHandOverSlots; ++n) store_.Delete(kHandOverSlot, {n});
      SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
      hwnd_ = nullptr;
      status_ = nullptr;
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(hwnd_, msg, wp, lp);
}

void MainWindow::RunMessageLoop(const KeyboardMap& keys) {
  HACCEL accelerators = LoadAcceleratorsA(instance_, MAKEINTRESOURCEA(kAcceleratorTable));
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
      uint16_t command = MatchKeyboardMap(keys, HeldModifiers(), static_cast<uint8_t>(msg.wParam));
      if (command != 0 && msg.wParam <= 0xFF) {
        PostMessageA(hwnd_, WM_COMMAND, command, 0);
        continue;
      }
    }
    if (hwnd_ && accelerators && TranslateAcceleratorA(hwnd_, accelerators, &msg)) continue;
    if (hwnd_ && IsDialogMessageA(hwnd_, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

}  // namespace plumo
