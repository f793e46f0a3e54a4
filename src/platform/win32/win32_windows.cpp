// The desktop port's windows of other programs: enumeration, facts, changes, messages, list
// and tree view items, menus and synthetic input.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstring>

#include "platform/win32/win32_desktop.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/win32_input.h"
#include "platform/win32/win32_handles.h"

namespace plumo {
namespace {

BOOL CALLBACK Collect(HWND h, LPARAM data) {
  reinterpret_cast<std::vector<uint32_t>*>(data)->push_back(FromHwnd(h));
  return TRUE;
}

bool Valid(uint32_t handle) { return handle != 0 && ::IsWindow(ToHwnd(handle)); }

// A buffer inside another process, freed with it.
class RemoteBuffer {
 public:
  RemoteBuffer(HANDLE process, size_t size)
      : process_(process), at_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE)) {}
  ~RemoteBuffer() {
    if (at_) VirtualFreeEx(process_, at_, 0, MEM_RELEASE);
  }
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;
  char* get() const { return static_cast<char*>(at_); }

 private:
  HANDLE process_;
  void* at_;
};

bool ProcessIs32Bit(HANDLE process) {
#ifdef _WIN64
  BOOL wow = FALSE;
  return IsWow64Process(process, &wow) && wow;
#else
  (void)process;
  return true;
#endif
}

void PutWord(std::string& record, size_t at, uint64_t value, size_t size) { std::memcpy(&record[at], &value, size); }

// LVITEMA and TVITEMA as the other program lays them out: its pointers are 4 or 8 bytes.
struct ItemLayout {
  size_t size, textAt, maxAt, handleAt;
};
constexpr ItemLayout kListItem32{60, 20, 24, 0}, kListItem64{88, 24, 32, 0};
constexpr ItemLayout kTreeItem32{40, 16, 20, 4}, kTreeItem64{56, 24, 32, 8};

// Sends a message whose lParam is an item record with a text buffer, both placed in the
// window's own process; the text it wrote.
std::optional<std::string> ReadItemText(HWND h, UINT msg, WPARAM wParam, bool tree, int64_t item, size_t maxChars) {
  DWORD pid = 0;
  ::GetWindowThreadProcessId(h, &pid);
  UniqueHandle process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION,
                                   FALSE, pid));
  if (!process.valid()) return std::nullopt;
  const bool narrow = ProcessIs32Bit(process.get());
  const ItemLayout& layout = tree ? (narrow ? kTreeItem32 : kTreeItem64) : (narrow ? kListItem32 : kListItem64);
  const size_t pointerSize = narrow ? 4 : 8;
  RemoteBuffer remote(process.get(), layout.size + maxChars + 1);
  if (!remote.get()) return std::nullopt;
  std::string record(layout.size, '\0');
  PutWord(record, 0, tree ? (TVIF_TEXT | TVIF_HANDLE) : LVIF_TEXT, 4);
  if (tree) PutWord(record, layout.handleAt, static_cast<uint64_t>(item), pointerSize);
  PutWord(record, layout.textAt, reinterpret_cast<uintptr_t>(remote.get() + layout.size), pointerSize);
  PutWord(record, layout.maxAt, maxChars + 1, 4);
  SIZE_T done = 0;
  if (!WriteProcessMemory(process.get(), remote.get(), record.data(), record.size(), &done)) return std::nullopt;
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutA(h, msg, wParam, reinterpret_cast<LPARAM>(remote.get()), SMTO_ABORTIFHUNG, 2000, &answer))
    return std::nullopt;
  if (tree && answer == 0) return std::nullopt;
  std::string text(maxChars + 1, '\0');
  if (!ReadProcessMemory(process.get(), remote.get() + layout.size, text.data(), text.size(), &done)) return std::nullopt;
  text.resize(std::strlen(text.c_str()));
  return text;
}

constexpr char kMenuOwnerClass[] = "NimboMenuHandler";
constexpr UINT kItemTimeoutMs = 10000;

}  // namespace

std::vector<uint32_t> Win32Desktop::EnumWindows() {
  std::vector<uint32_t> out;
  ::EnumWindows(Collect, reinterpret_cast<LPARAM>(&out));
  return out;
}

uint32_t Win32Desktop::DesktopWindow() { return FromHwnd(GetDesktopWindow()); }

std::vector<uint32_t> Win32Desktop::EnumChildWindows(uint32_t parent) {
  std::vector<uint32_t> out;
  if (Valid(parent)) ::EnumChildWindows(ToHwnd(parent), Collect, reinterpret_cast<LPARAM>(&out));
  return out;
}

std::string Win32Desktop::ClassName(uint32_t handle) {
  char buf[256] = {};
  const int n = ::GetClassNameA(ToHwnd(handle), buf, sizeof buf);
  return std::string(buf, n > 0 ? static_cast<size_t>(n) : 0);
}

std::string Win32Desktop::WindowText(uint32_t handle, size_t maxChars) {
  std::string buf(maxChars + 1, '\0');
  const int n = ::GetWindowTextA(ToHwnd(handle), buf.data(), static_cast<int>(buf.size()));
  buf.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return buf;
}

int64_t Win32Desktop::WindowLong(uint32_t handle, int index) {
  return static_cast<int64_t>(::GetWindowLongPtrA(ToHwnd(handle), index));
}

bool Win32Desktop::ChangeWindowLong(uint32_t handle, int index, int64_t value) {
  if (!Valid(handle)) return false;
  SetLastError(0);
  const LONG_PTR old = ::SetWindowLongPtrA(ToHwnd(handle), index, static_cast<LONG_PTR>(value));
  return old != 0 || GetLastError() == 0;
}

std::optional<WindowRect> Win32Desktop::GetWindowRect(uint32_t handle) {
  RECT r = {};
  if (!::GetWindowRect(ToHwnd(handle), &r)) return std::nullopt;
  return WindowRect{r.left, r.top, r.right, r.bottom};
}

// The queries below answer 0 or false for a handle that is no window; they need no check.
bool Win32Desktop::IsWindowVisible(uint32_t handle) { return ::IsWindowVisible(ToHwnd(handle)); }
bool Win32Desktop::IsIconic(uint32_t handle) { return ::IsIconic(ToHwnd(handle)); }
bool Win32Desktop::IsZoomed(uint32_t handle) { return ::IsZoomed(ToHwnd(handle)); }
bool Win32Desktop::IsWindowEnabled(uint32_t handle) { return ::IsWindowEnabled(ToHwnd(handle)); }

uint32_t Win32Desktop::WindowFromPoint(int32_t x, int32_t y) { return FromHwnd(::WindowFromPoint(POINT{x, y})); }

uint32_t Win32Desktop::GetWindowThreadProcessId(uint32_t handle, uint32_t* processId) {
  DWORD pid = 0;
  const DWORD thread = ::GetWindowThreadProcessId(ToHwnd(handle), &pid);
  if (processId) *processId = pid;
  return thread;
}

uint32_t Win32Desktop::GetCurrentThreadId() { return ::GetCurrentThreadId(); }

bool Win32Desktop::AttachThreadInput(uint32_t thread, uint32_t toThread, bool attach) {
  return ::AttachThreadInput(thread, toThread, attach) != FALSE;
}

uint32_t Win32Desktop::GetFocus() { return FromHwnd(::GetFocus()); }

uint32_t Win32Desktop::GetNextDlgTabItem(uint32_t dialog, uint32_t control) {
  return FromHwnd(::GetNextDlgTabItem(ToHwnd(dialog), ToHwnd(control), FALSE));
}

bool Win32Desktop::SetForegroundWindow(uint32_t handle) { return ::SetForegroundWindow(ToHwnd(handle)) != FALSE; }
bool Win32Desktop::BringWindowToTop(uint32_t handle) { return ::BringWindowToTop(ToHwnd(handle)) != FALSE; }
uint32_t Win32Desktop::SetActiveWindow(uint32_t handle) { return FromHwnd(::SetActiveWindow(ToHwnd(handle))); }
uint32_t Win32Desktop::SetFocus(uint32_t handle) { return FromHwnd(::SetFocus(ToHwnd(handle))); }

bool Win32Desktop::ShowWindow(uint32_t handle, int command) {
  if (!Valid(handle)) return false;
  ::ShowWindow(ToHwnd(handle), command);
  return true;
}

bool Win32Desktop::SetWindowPos(uint32_t handle, uint32_t insertAfter, int32_t x, int32_t y, int32_t cx, int32_t cy,
                                uint32_t flags) {
  return ::SetWindowPos(ToHwnd(handle), ToHwnd(insertAfter), x, y, cx, cy, flags) != FALSE;
}

bool Win32Desktop::EnableWindow(uint32_t handle, bool enable) {
  if (!Valid(handle)) return false;
  ::EnableWindow(ToHwnd(handle), enable);
  return true;
}

bool Win32Desktop::RedrawWindow(uint32_t handle) {
  HWND h = ToHwnd(handle);
  return ::InvalidateRect(h, nullptr, TRUE) && ::UpdateWindow(h);
}

bool Win32Desktop::DestroyWindow(uint32_t handle) { return ::DestroyWindow(ToHwnd(handle)) != FALSE; }

std::optional<int64_t> Win32Desktop::Send(uint32_t handle, uint32_t msg, uint64_t wParam, int64_t lParam,
                                          uint32_t timeoutMs) {
  if (!Valid(handle)) return std::nullopt;
  HWND h = ToHwnd(handle);
  const WPARAM w = static_cast<WPARAM>(wParam);
  const LPARAM l = static_cast<LPARAM>(lParam);
  if (timeoutMs == 0) return static_cast<int64_t>(SendMessageA(h, msg, w, l));
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutA(h, msg, w, l, SMTO_ABORTIFHUNG, timeoutMs, &answer)) return std::nullopt;
  return static_cast<int64_t>(static_cast<LRESULT>(answer));
}

// Messages go only to windows: 0xFFFF would be every top-level window (HWND_BROADCAST).
bool Win32Desktop::Post(uint32_t handle, uint32_t msg, uint64_t wParam, int64_t lParam) {
  if (!Valid(handle)) return false;
  return PostMessageA(ToHwnd(handle), msg, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam)) != FALSE;
}

std::optional<int64_t> Win32Desktop::SendTextMessage(uint32_t handle, uint32_t msg, uint64_t wParam,
                                                     const std::string& text) {
  if (!Valid(handle)) return std::nullopt;
  return static_cast<int64_t>(
      SendMessageA(ToHwnd(handle), msg, static_cast<WPARAM>(wParam), reinterpret_cast<LPARAM>(text.c_str())));
}

std::optional<std::string> Win32Desktop::SendBufferMessage(uint32_t handle, uint32_t msg, uint64_t wParam,
                                                           size_t maxChars, uint32_t timeoutMs) {
  // List items are read wide and turned into the ANSI code page: the same on Windows, and
  // Wine answers the ANSI forms of these two across processes in UTF-16.
  if (msg == LB_GETTEXT || msg == CB_GETLBTEXT) {
    if (!Valid(handle)) return std::nullopt;
    std::wstring wide(maxChars + 1, L'\0');
    DWORD_PTR n = 0;
    if (!SendMessageTimeoutW(ToHwnd(handle), msg, static_cast<WPARAM>(wParam), reinterpret_cast<LPARAM>(wide.data()),
                             SMTO_ABORTIFHUNG, timeoutMs ? timeoutMs : kItemTimeoutMs, &n) ||
        static_cast<LRESULT>(n) < 0)
      return std::nullopt;
    wide.resize(std::min<size_t>(n, wcslen(wide.c_str())));
    if (wide.empty()) return std::string();
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(std::max(bytes, 0)), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), text.data(), bytes, nullptr, nullptr);
    return text.substr(0, maxChars);
  }
  std::string buf(maxChars + 1, '\0');
  std::optional<int64_t> n = Send(handle, msg, wParam, reinterpret_cast<intptr_t>(buf.data()), timeoutMs);
  if (!n || *n < 0) return std::nullopt;
  buf.resize(std::min<size_t>(static_cast<size_t>(*n), std::strlen(buf.c_str())));
  return buf;
}

int64_t Win32Desktop::SendToDlgItem(uint32_t dialog, int32_t id, uint32_t msg, uint64_t wParam, int64_t lParam) {
  return static_cast<int64_t>(
      SendDlgItemMessageA(ToHwnd(dialog), id, msg, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam)));
}

std::optional<std::string> Win32Desktop::ListViewItemText(uint32_t handle, int item, size_t maxChars) {
  if (!Valid(handle)) return std::nullopt;
  return ReadItemText(ToHwnd(handle), LVM_GETITEMTEXTA, static_cast<WPARAM>(item), false, 0, maxChars);
}

std::optional<std::string> Win32Desktop::TreeViewItemText(uint32_t handle, int64_t item, size_t maxChars) {
  if (!Valid(handle) || item == 0) return std::nullopt;
  return ReadItemText(ToHwnd(handle), TVM_GETITEMA, 0, true, item, maxChars);
}

uint32_t Win32Desktop::GetMenu(uint32_t window) { return Valid(window) ? FromHmenu(::GetMenu(ToHwnd(window))) : 0; }

int Win32Desktop::GetMenuItemCount(uint32_t menu) { return menu ? ::GetMenuItemCount(ToHmenu(menu)) : -1; }

std::optional<MenuEntry> Win32Desktop::GetMenuItem(uint32_t menu, int position) {
  char text[256] = {};
  MENUITEMINFOA info = {};
  info.cbSize = sizeof info;
  info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
  info.dwTypeData = text;
  info.cch = sizeof text - 1;
  if (!GetMenuItemInfoA(ToHmenu(menu), static_cast<UINT>(position), TRUE, &info)) return std::nullopt;
  MenuEntry entry;
  entry.separator = (info.fType & MFT_SEPARATOR) != 0;
  entry.submenu = FromHmenu(info.hSubMenu);
  entry.id = entry.submenu ? 0 : info.wID;
  entry.text = text;
  return entry;
}

std::optional<size_t> Win32Desktop::TrackPopupMenu(const std::vector<MenuEntry>& entries, int32_t x, int32_t y) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA wc = {};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = instance;
  wc.lpszClassName = kMenuOwnerClass;
  RegisterClassA(&wc);  // fails harmlessly once registered
  HWND owner = CreateWindowExA(0, kMenuOwnerClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
  HMENU menu = CreatePopupMenu();
  if (!owner || !menu) {
    if (menu) DestroyMenu(menu);
    if (owner) ::DestroyWindow(owner);
    return std::nullopt;
  }
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].separator) AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    else AppendMenuA(menu, MF_STRING, i + 1, entries[i].text.c_str());
  }
  // The menu closes when the user clicks elsewhere only while its owner is in front.
  ::SetForegroundWindow(owner);
  const BOOL chosen = ::TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTALIGN | TPM_TOPALIGN, x, y, 0, owner, nullptr);
  PostMessageA(owner, WM_NULL, 0, 0);
  DestroyMenu(menu);
  ::DestroyWindow(owner);
  if (chosen <= 0) return std::nullopt;
  return static_cast<size_t>(chosen - 1);
}

OsError Win32Desktop::SendKeyInput(uint32_t key, uint32_t scanCode, uint32_t flags) {
  INPUT in = {};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = static_cast<WORD>(key);
  in.ki.wScan = static_cast<WORD>(scanCode);
  in.ki.dwFlags = flags;
  return SendOneInput(in);
}

uint32_t Win32Desktop::ScanCodeOf(uint32_t key) { return MapVirtualKeyA(key, MAPVK_VK_TO_VSC); }

int16_t Win32Desktop::KeyForChar(char c) { return VkKeyScanA(c); }

OsError Win32Desktop::SendMouseInput(uint32_t flags, int32_t dx, int32_t dy, int32_t data) {
  INPUT in = {};
  in.type = INPUT_MOUSE;
  in.mi.dx = dx;
  in.mi.dy = dy;
  in.mi.mouseData = static_cast<DWORD>(data);
  in.mi.dwFlags = flags;
  return SendOneInput(in);
}

OsError Win32Desktop::SendMouseButton(uint32_t flags, ScreenPoint at, int32_t data) {
  // Absolute coordinates span the virtual desktop as 0..65535; rounding up keeps the pixel
  // the system computes back (coordinate * size / 65536) on the point itself.
  const int64_t left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
  const int64_t width = std::max(GetSystemMetrics(SM_CXVIRTUALSCREEN), 1), height = std::max(GetSystemMetrics(SM_CYVIRTUALSCREEN), 1);
  auto scale = [](int64_t offset, int64_t size) {
    return static_cast<LONG>(std::clamp<int64_t>((offset * 65536 + size - 1) / size, 0, 65535));
  };
  INPUT in = {};
  in.type = INPUT_MOUSE;
  in.mi.dx = scale(at.x - left, width);
  in.mi.dy = scale(at.y - top, height);
  in.mi.mouseData = static_cast<DWORD>(data);
  in.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;
  return SendOneInput(in);
}

bool Win32Desktop::SetCursorPos(int32_t x, int32_t y) { return ::SetCursorPos(x, y) != FALSE; }

void Win32Desktop::ShowCursor() {
  if (::ShowCursor(TRUE) > 0) ::ShowCursor(FALSE);
}

OsError Win32Desktop::KeyboardEvent(uint32_t key, uint32_t scanCode, uint32_t flags) {
  keybd_event(static_cast<BYTE>(key), static_cast<BYTE>(scanCode), flags, 0);
  return OsError::Ok();
}

char Win32Desktop::CharOfKey(uint32_t key) {
  // The high bit marks a dead key; its character is still the one the key shows.
  return static_cast<char>(MapVirtualKeyA(key, MAPVK_VK_TO_CHAR) & 0xFF);
}

bool Win32Desktop::KeyDown(uint32_t key) { return (GetAsyncKeyState(static_cast<int>(key & 0xFF)) & 0x8000) != 0; }

std::optional<uint32_t> Win32Desktop::LastInputTick() {
  LASTINPUTINFO info = {sizeof info, 0};
  if (!GetLastInputInfo(&info)) return std::nullopt;
  return info.dwTime;
}

uint32_t Win32Desktop::DoubleClickTime() { return GetDoubleClickTime(); }

bool Win32Desktop::ScreenSaverRunning() {
  BOOL running = FALSE;
  return SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0) && running;
}

OsError Win32Desktop::BlockInput(bool block) {
  HMODULE user32 = LoadLibraryA("USER32.DLL");
  if (!user32) return LastWin32Error("LoadLibrary");
  using BlockInputFn = BOOL(WINAPI*)(BOOL);
  // Refused without the rights to block: the action does not say so.
  if (auto fn = reinterpret_cast<BlockInputFn>(reinterpret_cast<void*>(GetProcAddress(user32, "BlockInput"))))
    fn(block ? TRUE : FALSE);
  FreeLibrary(user32);
  return OsError::Ok();
}

}  // namespace plumo
