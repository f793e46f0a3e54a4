// Times recording playback and recording through the Win32 port:
//
//   recording_timing [full]
//
// Playback: a recording of key presses and releases with gaps of 10 to 500 ms (40 events, 200
// with "full") is played at normal speed into a window of this program, which notes when each
// key message arrives; printed are the mean and the worst difference between each arrival's
// gap to the one before and the recorded gap, and the drift of the last arrival.
// Recording: the polling recorder runs on a 10 ms timer for 5 s (30 s with "full") while
// nothing happens; printed is this process's processor time as a share of one core (under
// Wine the wineserver's share comes on top; the script measures it).
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "actions/integration/recording/recorder.h"
#include "actions/integration/recording/recording_player.h"
#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_desktop.h"

namespace plumo {
namespace {

double Now() {
  LARGE_INTEGER f, t;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&t);
  return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

std::vector<double> g_arrivals;

LRESULT CALLBACK Receive(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if ((msg == WM_KEYDOWN || msg == WM_KEYUP) && wp == VK_F13) g_arrivals.push_back(Now());
  return DefWindowProcA(h, msg, wp, lp);
}

int Playback(size_t count) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = Receive;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "PlumoRecordingTiming";
  RegisterClassA(&wc);
  HWND w = CreateWindowExA(0, wc.lpszClassName, "Recording timing", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 300, 200,
                           nullptr, nullptr, wc.hInstance, nullptr);
  SetForegroundWindow(w);
  SetFocus(w);

  std::mt19937 random(21);
  std::vector<RecordedEvent> events;
  uint32_t time = 1000;
  const UINT scan = MapVirtualKeyA(VK_F13, MAPVK_VK_TO_VSC);
  for (size_t i = 0; i < count; ++i) {
    if (i > 0) time += 10 + random() % 491;
    events.push_back({i % 2 ? recmsg::kKeyUp : recmsg::kKeyDown, scan << 8 | VK_F13, scan, time, 0});
  }
  Win32Desktop desktop;
  Win32Clock clock;
  std::atomic<bool> done{false};
  std::thread player([&] {
    Sleep(300);  // the window is shown and focused
    HardwarePlayer p(desktop, clock, events, PlaybackSpeed::kNormal);
    OsError error;
    PlayPaced(p, clock, [] { return PlayCheck::kGoOn; }, &error);
    Sleep(200);
    done = true;
  });
  MSG msg;
  while (!done) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
  }
  player.join();
  if (g_arrivals.size() != events.size()) {
    std::printf("playback: %zu of %zu key messages arrived (is the window in front?)\n", g_arrivals.size(), events.size());
    return 1;
  }
  double sum = 0, worst = 0;
  for (size_t i = 1; i < events.size(); ++i) {
    const double error = std::fabs((g_arrivals[i] - g_arrivals[i - 1]) - (events[i].time - events[i - 1].time));
    sum += error;
    worst = std::max(worst, error);
  }
  const double drift = (g_arrivals.back() - g_arrivals.front()) - (events.back().time - events.front().time);
  std::printf("playback of %zu events (%.1f s): gap error mean %.2f ms, worst %.2f ms; drift at the end %.2f ms\n",
              events.size(), (events.back().time - events.front().time) / 1000.0, sum / (events.size() - 1), worst, drift);
  return 0;
}

double ProcessCpuMs() {
  FILETIME c, e, k, u;
  GetProcessTimes(GetCurrentProcess(), &c, &e, &k, &u);
  auto ms = [](FILETIME f) { return (static_cast<double>(f.dwHighDateTime) * 4294967296.0 + f.dwLowDateTime) / 10000.0; };
  return ms(k) + ms(u);
}

int IdleRecorder(uint32_t seconds) {
  Win32Desktop desktop;
  Win32Clock clock;
  HardwareRecorder recorder(desktop, clock);
  recorder.Start();
  const double cpu0 = ProcessCpuMs(), wall0 = Now();
  size_t ticks = 0;
  for (double next = wall0; Now() - wall0 < seconds * 1000.0; ++ticks) {
    recorder.Poll();
    next += 10;
    const double left = next - Now();
    if (left > 0) Sleep(static_cast<DWORD>(left));
  }
  const double cpu = ProcessCpuMs() - cpu0, wall = Now() - wall0;
  std::printf("idle recorder: %zu ticks in %.1f s, %zu events, this process %.2f %% of one core (%.1f us a tick)\n", ticks,
              wall / 1000, recorder.events().size(), 100.0 * cpu / wall, 1000.0 * cpu / static_cast<double>(ticks));
  std::fflush(stdout);
  return 0;
}

}  // namespace
}  // namespace plumo

int main(int argc, char** argv) {
  const bool full = argc > 1 && std::strcmp(argv[1], "full") == 0;
  const int played = plumo::Playback(full ? 200 : 40);
  return plumo::IdleRecorder(full ? 30 : 5) | played;
}
