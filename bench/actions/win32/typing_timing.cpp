// Characters per second typed into another program's multi-line EDIT control, by both sending
// methods:
//
//   typing_timing TARGET_PROGRAM [CHARACTERS [XDOTOOL]]
//
// Types the characters (printable ASCII that the layout has keys for, in turn) with no delay,
// waits until the control holds them all and checks that it holds exactly them. The time runs
// from the first key to the last character's arrival. With the path of xdotool (a Linux
// program; Wine starts it natively), it types the same text through the X server as the
// anchor: what Wine and the control take from any sender.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "actions/desktop/key_input.h"
#include "engine/session.h"
#include "fakes/win32_target.h"
#include "platform/native_port.h"
#include "settings/settings_store.h"

namespace plumo {
namespace {

// Long enough for 10,000 characters at the rate Wine delivers them (about 80 a second), so that
// no method's characters are still arriving when the next one starts.
constexpr DWORD kArrivalLimitMs = 300000;

double NowSeconds() {
  LARGE_INTEGER f, t;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

std::string TextOf(HWND h) {
  std::string s(static_cast<size_t>(SendMessageA(h, WM_GETTEXTLENGTH, 0, 0)) + 1, '\0');
  s.resize(static_cast<size_t>(SendMessageA(h, WM_GETTEXT, s.size(), reinterpret_cast<LPARAM>(s.data()))));
  return s;
}

// Lines of 79 characters and an Enter: Wine's edit control takes time in the length of the
// line it inserts into, so one 10,000-character line would time the control, not the typing.
std::string Characters(size_t count) {
  std::string typeable;
  for (char c = 32; c < 127; ++c)
    if (VkKeyScanA(c) != -1) typeable += c;
  std::string s;
  for (size_t i = 0; s.size() < count; ++i) s += s.size() % 80 == 79 ? '\n' : typeable[i % typeable.size()];
  return s;
}

std::string AsTheControlHoldsIt(const std::string& typed) {
  std::string s;
  for (char c : typed) s += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return s;
}

// xdotool typing `text` from a file, started as a Linux program (Wine runs those natively);
// true once it started (Wine does not wait for a Linux program: only the arrival is timed).
// It works through the X server, so only the window under the pointer with
// the keyboard focus matters: the target's, activated and clicked before.
bool StartXdotool(const std::string& xdotool, const std::string& text) {
  const std::string unixFile = "/tmp/plumo_typing_anchor.txt";
  if (FILE* f = std::fopen(("Z:" + unixFile).c_str(), "wb")) {
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
  } else {
    return false;
  }
  std::string program = "Z:" + xdotool;
  for (char& c : program)
    if (c == '/') c = '\\';
  std::string command = "\"" + program + "\" type --delay 0 --file " + unixFile;
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
  WaitForSingleObject(pi.hProcess, kArrivalLimitMs);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return true;
}

// Types `typed` into `edit` by `send` and reports the rate at which it arrived.
template <class Send>
int Measure(HWND edit, const char* name, const std::string& typed, Send send) {
  const std::string text = AsTheControlHoldsIt(typed);
  SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
  const double start = NowSeconds();
  if (!send()) {
    std::printf("%s: could not start\n", name);
    return 1;
  }
  const double sent = NowSeconds();
  WaitFor([&] { return static_cast<size_t>(SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0)) >= text.size(); }, kArrivalLimitMs);
  const double arrived = NowSeconds();
  const std::string got = TextOf(edit);
  size_t same = 0;
  while (same < got.size() && same < text.size() && got[same] == text[same]) ++same;
  std::printf("%s: %zu characters in %.2f s (sent in %.2f s): %.0f characters/s; %s\n", name, typed.size(), arrived - start,
              sent - start, static_cast<double>(typed.size()) / (arrived - start),
              got == text ? "every character arrived" : ("WRONG from character " + std::to_string(same) + ", " +
                                                          std::to_string(got.size()) + " arrived").c_str());
  return got == text ? 0 : 1;
}

}  // namespace
}  // namespace plumo

int main(int argc, char** argv) {
  using namespace plumo;
  if (argc < 2) {
    std::fprintf(stderr, "usage: typing_timing TARGET_PROGRAM [CHARACTERS]\n");
    return 2;
  }
  const size_t count = argc > 2 ? static_cast<size_t>(std::max(1, std::atoi(argv[2]))) : 10000;
  NativePort port;
  SettingsStore store(port.registry(), port.environment(), port.files());
  Session session(SessionPorts{port.clock(), port.environment(), port.mainQueue(), port.dialogs(), port.desktop(),
                               port.processes(), port.system(), port.threads(), store, port.locale(), port.files(),
                               port.registry(), port.clipboard()});
  TargetProgram target("--quiet-keys --memo --lifetime 1200 --window \"Typing Bench\"", argv[1]);
  HWND window = FindWindowA(nullptr, "Typing Bench");
  HWND edit = window ? GetDlgItem(window, 114) : nullptr;
  if (!target.ready() || !edit) {
    std::fprintf(stderr, "the target program did not start\n");
    return 1;
  }
  SendMessageA(edit, EM_LIMITTEXT, 0, 0);
  session.desktop().ActivateWindow(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window)));
  WaitFor([&] { return GetForegroundWindow() == window; }, 5000);
  RECT r;
  GetWindowRect(edit, &r);
  SetCursorPos(r.left + 5, r.top + 5);
  mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
  mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
  WaitFor([&] { return target.Logged("114 FOCUS", 100); }, 3000);
  const std::string text = Characters(count);
  auto byPlumo = [&](KeyMethod method) {
    return [&session, &text, method] {
      KeySending how;
      how.method = method;
      how.heldMask = &session.run.heldModifiers;
      how.pause = [&session](uint32_t ms) {
        session.clock().Sleep(ms);
        return true;
      };
      SendKeyText(session.desktop(), text, how);
      return true;
    };
  };
  int failed = Measure(edit, "Simulated Keypress", text, byPlumo(KeyMethod::kSimulated));
  failed |= Measure(edit, "SendKeys", text, byPlumo(KeyMethod::kSendKeys));
  if (argc > 3) failed |= Measure(edit, "xdotool (anchor)", text, [&] { return StartXdotool(argv[3], text); });
  return failed;
}
