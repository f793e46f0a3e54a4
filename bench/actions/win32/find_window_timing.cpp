// Times the window finder against another program's windows:
//
//   find_window_timing TARGET_PROGRAM [REPEATS]
//
// Two runs of the target program: 200 bare top-level windows, searched by a partial title;
// then one window with 2,000 buttons, searched by the class of a control behind them. Prints
// the median time per search, the time per window the search visits, one GetWindowText and one
// WM_GETTEXT message to a window of the other program in the same run, all in microseconds.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "actions/desktop/window_finder.h"
#include "engine/session.h"
#include "fakes/win32_target.h"
#include "platform/native_port.h"
#include "settings/settings_store.h"

namespace plumo {
namespace {

double NowUs() {
  LARGE_INTEGER f, t;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&t);
  return 1e6 * static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

double MedianUs(int repeats, const std::function<void()>& fn) {
  std::vector<double> times;
  for (int i = 0; i < repeats; ++i) {
    const double start = NowUs();
    fn();
    times.push_back(NowUs() - start);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

size_t WindowsVisited(Desktop& desktop) {
  size_t n = 0;
  for (uint32_t top : desktop.EnumWindows()) n += 1 + desktop.EnumChildWindows(top).size();
  return n;
}

int Measure(Session& session, const char* what, const std::string& targetArgs, const std::string& program,
            uint32_t flags, const char* data, const char* textWindow, int repeats) {
  TargetProgram target(targetArgs, program);
  if (!target.ready()) {
    std::fprintf(stderr, "the target program did not start\n");
    return 1;
  }
  uint32_t found = 0;
  const double search = MedianUs(repeats, [&] { found = FindMatchingWindow(session, flags, data, 0); });
  const size_t visited = WindowsVisited(session.desktop());
  const double enumerate = MedianUs(repeats, [&] { WindowsVisited(session.desktop()); });
  // The calls the finder makes per window, each to a window of the other program.
  HWND probe = FindWindowA(nullptr, textWindow);
  char text[256];
  DWORD_PTR answer = 0;
  const double getText = MedianUs(repeats * 20, [&] { GetWindowTextA(probe, text, sizeof text); });
  const double getClass = MedianUs(repeats * 20, [&] { GetClassNameA(probe, text, sizeof text); });
  const double message = MedianUs(repeats * 20, [&] {
    SendMessageTimeoutA(probe, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 100, &answer);
  });
  std::printf("%s: %s, %.0f us per search, %zu windows visited, %.1f us per window (enumeration alone %.0f us); "
              "one GetWindowText %.1f us, GetClassName %.1f us, WM_GETTEXT message %.1f us\n",
              what, found ? "found" : "NOT FOUND", search, visited, search / static_cast<double>(visited), enumerate,
              getText, getClass, message);
  return found ? 0 : 1;
}

}  // namespace
}  // namespace plumo

int main(int argc, char** argv) {
  using namespace plumo;
  if (argc < 2) {
    std::fprintf(stderr, "usage: find_window_timing TARGET_PROGRAM [REPEATS]\n");
    return 2;
  }
  const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 21;
  NativePort port;
  SettingsStore store(port.registry(), port.environment(), port.files());
  Session session(SessionPorts{port.clock(), port.environment(), port.mainQueue(), port.dialogs(), port.desktop(),
                               port.processes(), port.system(), port.threads(), store, port.locale(), port.files(),
                               port.registry(), port.clipboard()});
  int failed = Measure(session, "partial title among 200 top-level windows",
                       "--window \"Bench Main\" --plain 200 \"Bench Window\"", argv[1], findflag::kPartialTitle,
                       "Bench Window 137", "Bench Window 137", repeats);
  failed |= Measure(session, "class among 2,000 child controls", "--buttons 2000 --window \"Bench Buttons\"", argv[1],
                    findflag::kClass, "ScrollBar", "Bench Buttons", repeats);
  return failed;
}
