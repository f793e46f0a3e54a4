// The Windows-program runtime image: a hidden main window hosts the run; the exit code is
// the run's.
#include <windows.h>

#include <string>

#include "engine/message_box.h"
#include "runtime/win32/runtime_program.h"

namespace plumo {
namespace {

constexpr char kWindowClass[] = "PlumoRuntime";
constexpr int kIconResource = 1000;

class BoxMessages : public MessageSink {
 public:
  void Show(std::string_view text, std::string_view caption) override {
    MessageBoxA(nullptr, std::string(text).c_str(), std::string(caption).c_str(), msgbox::kErrorBox);
  }
};

HWND CreateHiddenMainWindow(HINSTANCE instance) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(kIconResource));
  wc.lpszClassName = kWindowClass;
  RegisterClassA(&wc);
  char title[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, title, MAX_PATH);
  return CreateWindowExA(0, kWindowClass, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0, nullptr,
                         nullptr, instance, nullptr);
}

}  // namespace
}  // namespace plumo

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  using namespace plumo;
  HWND window = CreateHiddenMainWindow(instance);
  BoxMessages errors;
  RuntimeStart start;
  start.module = nullptr;
  start.commandLine = commandLine ? commandLine : "";
  const int code = RunBuiltProgram(start, errors);
  if (window) DestroyWindow(window);
  return code;
}
