#include "platform/win32/win32_main_queue.h"

namespace plumo {
namespace {

constexpr UINT kPostMsg = WM_APP + 0x301;
constexpr UINT kCallMsg = WM_APP + 0x302;
constexpr UINT kQuitMsg = WM_APP + 0x303;
constexpr char kClassName[] = "PlumoMainQueue";

// The module holding this code: a DLL's queue registers its class under the DLL, so that a
// host carrying its own copy of this class keeps its own.
HINSTANCE CodeModule(const void* code) {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     static_cast<LPCSTR>(code), &module);
  return module ? module : GetModuleHandleA(nullptr);
}

}  // namespace

Win32MainQueue::Win32MainQueue() : thread_(GetCurrentThreadId()) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = &Win32MainQueue::WndProc;
  wc.hInstance = CodeModule(reinterpret_cast<const void*>(&Win32MainQueue::WndProc));
  wc.lpszClassName = kClassName;
  RegisterClassA(&wc);  // fails harmlessly when already registered
  hwnd_ = CreateWindowExA(0, kClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance,
                          nullptr);
  SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

Win32MainQueue::~Win32MainQueue() {
  if (hwnd_) DestroyWindow(hwnd_);
}

void Win32MainQueue::Post(std::function<void()> fn) {
  auto* heap = new std::function<void()>(std::move(fn));
  if (!PostMessageA(hwnd_, kPostMsg, 0, reinterpret_cast<LPARAM>(heap))) delete heap;
}

int Win32MainQueue::Call(std::function<int()> fn) {
  if (GetCurrentThreadId() == thread_) return fn();
  // SendMessage runs the call on the window's thread and waits for it.
  return static_cast<int>(SendMessageA(hwnd_, kCallMsg, 0, reinterpret_cast<LPARAM>(&fn)));
}

void Win32MainQueue::SetTimer(uint32_t id, uint32_t ms, std::function<void()> fn) {
  {
    std::lock_guard<std::mutex> lock(mu_);
    timers_[id] = std::move(fn);
  }
  ::SetTimer(hwnd_, id, ms, nullptr);
}

void Win32MainQueue::KillTimer(uint32_t id) {
  ::KillTimer(hwnd_, id);
  std::lock_guard<std::mutex> lock(mu_);
  timers_.erase(id);
}

int Win32MainQueue::Run() {
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}

void Win32MainQueue::Quit(int code) { PostMessageA(hwnd_, kQuitMsg, static_cast<WPARAM>(code), 0); }

LRESULT CALLBACK Win32MainQueue::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<Win32MainQueue*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  switch (msg) {
    case kPostMsg: {
      auto* fn = reinterpret_cast<std::function<void()>*>(lp);
      (*fn)();
      delete fn;
      return 0;
    }
    case kCallMsg:
      return (*reinterpret_cast<std::function<int()>*>(lp))();
    case kQuitMsg:
      PostQuitMessage(static_cast<int>(wp));
      return 0;
    case WM_TIMER: {
      if (!self) return 0;
      std::function<void()> fn;
      {
        std::lock_guard<std::mutex> lock(self->mu_);
        auto it = self->timers_.find(static_cast<uint32_t>(wp));
        if (it == self->timers_.end()) return 0;
        fn = it->second;
      }
      fn();
      return 0;
    }
    default:
      return DefWindowProcA(hwnd, msg, wp, lp);
  }
}

}  // namespace plumo
