// Plumo.exe: the studio, and with -r the hidden runner.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "base/message_sink.h"
#include "base/option_block.h"
#include "base/text.h"
#include "base/version.h"
#include "engine/message_box.h"
#include "engine/run_controller.h"
#include "engine/session.h"
#include "engine/session_variables.h"
#include "platform/integration_port.h"
#include "platform/native_port.h"
#include "platform/win32/win32_resources.h"
#include "runtime/all_actions.h"
#include "runtime/standalone_run.h"
#include "runtime/win32/program_start.h"
#include "vars/variable_host.h"
#include "scripts/script_file.h"
#include "settings/settings_defaults.h"
#include "studio/command_line.h"
#include "studio/main_window.h"
#include "studio/startup.h"
#include "studio/studio_commands.h"
#include "studio/studio_start.h"

namespace plumo {
namespace {

constexpr DWORD kCommonControlClasses = 0x7FF;
constexpr DWORD kHandOverFocusDelayMs = 250;

void ShowError(const std::string& text) { MessageBoxA(nullptr, text.c_str(), "Plumo Error", msgbox::kErrorBox); }

// Messages of the Script files, shown as the studio shows its errors.
class DialogMessages : public MessageSink {
 public:
  explicit DialogMessages(Dialogs& dialogs) : dialogs_(dialogs) {}
  void Show(std::string_view text, std::string_view caption) override {
    dialogs_.ShowMessage(std::string(text), std::string(caption), msgbox::kErrorBox);
  }

 private:
  Dialogs& dialogs_;
};

// Runs the start file at once. Until the studio shows Scripts, every run is a hidden one: the
// Output lines go nowhere and the run's end ends the loop. Returns the run's exit code.
int RunStartFile(NativePort& port, SettingsStore& store, const StartRequest& request,
                 const ProcessLogging& logging) {
  Win32Resources resources;
  ActionCatalogs catalogs(resources);
  DialogMessages messages(port.dialogs());
  ScriptFileServices io{port.files(), messages, store, catalogs};
  StandaloneRun run;
  run.logging = logging;
  run.showOutput = request.loggingOn;
  run.startStep = request.startStep;
  run.load = ScriptFileLoader(io, request.file);
  run.registerActions = RegisterAllActions;
  return RunStandalone(port, store, run);
}

// Gives the file to a visible studio through the first free slot; false when there is no such
// studio or no free slot.
bool HandOver(SettingsStore& store, const std::string& file) {
  HWND studio = FindWindowA(kMainWindowClass, nullptr);
  if (!studio || !IsWindowVisible(studio)) return false;
  SetForegroundWindow(studio);
  Sleep(kHandOverFocusDelayMs);
  SetFocus(studio);
  char full[MAX_PATH] = {};
  DWORD n = GetFullPathNameA(file.c_str(), MAX_PATH, full, nullptr);
  std::string path = n > 0 && n < MAX_PATH ? std::string(full, n) : file;
  for (int slot = 1; slot <= kHandOverSlots; ++slot) {
    if (store.Probe(kHandOverSlot, {slot}) != 0) continue;
    if (store.WriteText(kHandOverSlot, path, {slot}) == 0) return false;
    SendMessageA(studio, WM_COMMAND, command::kOpenHandedOverFiles, 0);
    return true;
  }
  return false;
}

std::string OsName() {
  OSVERSIONINFOA v = {};
  v.dwOSVersionInfoSize = sizeof(v);
  if (!GetVersionExA(&v)) return "Windows";
  return std::string(WindowsName(v.dwMajorVersion, v.dwMinorVersion, v.dwPlatformId == VER_PLATFORM_WIN32_NT));
}

constexpr COLORREF kSplashColour = RGB(30, 90, 190);

// A borderless window in front of the studio that closes itself after `ms`.
LRESULT CALLBACK SplashProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_TIMER: DestroyWindow(hwnd); return 0;
    case WM_LBUTTONDOWN: DestroyWindow(hwnd); return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT r;
      GetClientRect(hwnd, &r);
      HBRUSH face = CreateSolidBrush(kSplashColour);
      FillRect(dc, &r, face);
      DeleteObject(face);
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, RGB(255, 255, 255));
      const int h = r.bottom;
      HFONT big = CreateFontA(-h / 4, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, ANTIALIASED_QUALITY, 0, "Tahoma");
      HFONT small = CreateFontA(-h / 10, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, ANTIALIASED_QUALITY, 0, "Tahoma");
      HGDIOBJ old = SelectObject(dc, big);
      RECT title = {0, h / 5, r.right, h / 2 + h / 10};
      DrawTextA(dc, "Plumo Studio", -1, &title, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      SelectObject(dc, small);
      std::string version = std::string("version ") + kVersionText;
      RECT line = {0, h / 2 + h / 8, r.right, h - h / 8};
      DrawTextA(dc, version.c_str(), -1, &line, DT_CENTER | DT_TOP | DT_SINGLELINE);
      SelectObject(dc, old);
      DeleteObject(big);
      DeleteObject(small);
      EndPaint(hwnd, &ps);
      return 0;
    }
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

void ShowSplash(HINSTANCE instance, HWND owner, int ms) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = SplashProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.lpszClassName = "PlumoSplash";
  wc.hbrBackground = CreateSolidBrush(kSplashColour);
  RegisterClassA(&wc);
  const int w = 360, h = 180;
  RECT at;
  GetWindowRect(owner, &at);
  HWND splash = CreateWindowExA(WS_EX_TOOLWINDOW, wc.lpszClassName, "", WS_POPUP | WS_BORDER,
                                (at.left + at.right - w) / 2, (at.top + at.bottom - h) / 2, w, h, owner, nullptr,
                                instance, nullptr);
  if (!splash) return;
  ShowWindow(splash, SW_SHOWNOACTIVATE);
  RedrawWindow(splash, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  SetTimer(splash, 1, static_cast<UINT>(ms), nullptr);
}

bool FileExists(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

int Start(HINSTANCE instance, const std::string& commandLine, int showCommand) {
  if (FindNoCase(commandLine, "-c ") != std::string::npos) ShowError(ConsoleSwitchRefusal(commandLine));

  InstanceLock lock;
  if (OptionBlockAsksSingleInstance(ProgramOptionBlock()) && FindSwitch(commandLine, "-r") == 0) {
    lock = InstanceLock(ModulePath());
    if (lock.refused()) return 0;
  }

  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  INITCOMMONCONTROLSEX icc = {sizeof(icc), kCommonControlClasses};
  InitCommonControlsEx(&icc);
  GetAsyncKeyState(VK_ESCAPE);  // forget a press that happened before start
  std::vector<char> scratch(4096), bigScratch(65536);

  NativePort port;
  SettingsStore store(port.registry(), port.environment(), port.files());
  ApplyIniKeyOverride(store, ModulePath());
  WriteStartupDefaults(store, {GetSystemMetrics(SM_CXSCREEN), InterfaceFontHeight(),
                               DocumentsFolderOf(port.environment(), store)});
  uint8_t stopKey = 0;
  KeyboardMap keys = LoadKeyboardMap(store, StudioCommands(), &stopKey);

  const StartRequest request = ParseStartRequest(commandLine);
  const ProcessLogging logging = ApplyLoggingSwitches(store, request);

  const bool wantsEdit = (request.mode & startmode::kEdit) && !(request.mode & startmode::kRun);
  if (wantsEdit && !request.file.empty() && HandOver(store, request.file)) return 0;

  const bool hidden = (request.mode & startmode::kHidden) != 0;
  const bool runAtStart = !request.file.empty() && (request.mode & startmode::kRun);
  if (hidden) {
    MainWindow window(instance, store);
    if (!window.Create(true, showCommand)) {
      ShowError("Unable to start Plumo: Main window launch error");
      return 0;
    }
    StoreCommandLineVariables(store, commandLine);
    if (request.file.empty()) return 0;
    if (!FileExists(request.file)) return exitcode::kCannotLoad;
    int code = RunStartFile(port, store, request, logging);
    CoUninitialize();
    return code;
  }

  // The studio: one session for the life of the window, which is its view. The window is made
  // first and goes last, as the run thread may still be ending when the session goes.
  Win32Resources resources;
  ActionCatalogs catalogs(resources);
  DialogMessages messages(port.dialogs());
  ScriptFileServices io{port.files(), messages, store, catalogs};
  IntegrationPort integration;
  VariablesPaletteWindow palette(instance, store);
  MainWindow window(instance, store);
  {
    Session session(SessionPorts{port.clock(), port.environment(), port.mainQueue(), port.dialogs(), port.desktop(),
                                 port.processes(), port.system(), port.threads(), store, port.locale(), port.files(),
                                 port.registry(), port.clipboard()});
    RegisterAllActions(session, port, integration);
    SessionVariables& variables = session.AttachVariables(std::make_unique<SessionVariables>(session, palette));
    window.AttachVariablesPalette(&palette, &variables.store());
    session.run.stopKey = stopKey;
    session.forcedLogLevel = logging.level;
    session.forcedOutput = logging.everyLineToOutput;
    session.SetView(&window);
    window.Attach(&session, &io);
    if (!window.Create(false, showCommand)) {
      ShowError("Unable to start Plumo: Main window launch error");
      return 0;
    }
    window.SetStatus(StartupStatusText(OsName()));
    if (const int ms = SplashMilliseconds(store, runAtStart)) ShowSplash(instance, window.hwnd(), ms);
    if (CountStudioUse(store)) (void)AssociateScriptFiles(port.registry(), ModulePath());
    StoreCommandLineVariables(store, commandLine);
    if (request.file.empty() && store.ReadNumber("*\\ReloadFiles") != 0)
      for (const std::string& file : FilesToReload(store))
        if (FileExists(file)) window.OpenFile(file);
    if (!request.file.empty() && window.OpenFile(request.file) && runAtStart) {
      session.startMode = kStartModeRunAtStart | 1;
      window.RunCurrent(request.startStep);
    }
    window.RunMessageLoop(keys);
    if (session.RunExists()) StopRun(session, false);
    session.SetView(nullptr);
  }
  CoUninitialize();
  return store.ReadNumber("*\\DefaultReturnCode");
}

}  // namespace
}  // namespace plumo

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand) {
  return plumo::Start(instance, commandLine ? commandLine : "", showCommand);
}
