// Recordings as the target program sees them: Plumo.exe -r plays a "Recording" Step into it,
// and a recording the polling recorder made of input sent here plays back into a fresh one.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <fstream>
#include <thread>

#include "actions/integration/recording/recorder.h"
#include "fakes/win32_run_program.h"
#include "fakes/win32_target.h"
#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_desktop.h"

namespace plumo {
namespace {

std::string RunRecordingScript(const std::string& text) {
  char dir[MAX_PATH];
  GetTempPathA(MAX_PATH, dir);
  const std::string path = std::string(dir) + "plumo_recording_e2e.vxm";
  std::ofstream(path, std::ios::binary) << "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<Plumo>\r\n"
                                        << "<step><action>Recording</action><text>" << text
                                        << "</text><options>Hardware</options></step>\r\n</Plumo>\r\n";
  const ProgramOutcome run = RunProgram("\"" + BuiltProgramPath("Plumo.exe") + "\" -L -r \"" + path + "\"", 60000);
  DeleteFileA(path.c_str());
  return run.out;
}

POINT Centre(HWND control) {
  RECT r;
  GetWindowRect(control, &r);
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

std::string ClientPoint(HWND control, POINT screen) {
  ScreenToClient(control, &screen);
  return std::to_string(screen.x) + " " + std::to_string(screen.y);
}

// The lines stand in the log in this order, others between them.
void ExpectInOrder(const TargetProgram& target, const std::vector<std::string>& lines) {
  for (const std::string& line : lines) ASSERT_TRUE(target.Logged(line)) << line << "\n" << target.Log();
  const std::string log = "\n" + target.Log();
  size_t at = 0;
  for (const std::string& line : lines) {
    at = log.find("\n" + line + "\n", at);
    ASSERT_NE(at, std::string::npos) << line << " out of order in\n" << log;
  }
}

TEST(Win32Recording, PlumoPlaysKeysAndClicksIntoTheTarget) {
  TargetProgram target("--window \"E2E Rec\"");
  ASSERT_TRUE(target.ready());
  HWND w = FindWindowA(nullptr, "E2E Rec");
  HWND edit = GetDlgItem(w, 102), go = GetDlgItem(w, 104);
  const POINT e = Centre(edit), g = Centre(go);
  auto key = [](uint32_t message, UINT vk, uint32_t time) {
    const UINT scan = MapVirtualKeyA(vk, MAPVK_VK_TO_VSC);
    return RecordedEvent{message, scan << 8 | vk, scan, time, 0};
  };
  const std::vector<RecordedEvent> events{
      {recmsg::kMouseMove, uint32_t(e.x), uint32_t(e.y), 1000, 0}, {recmsg::kLeftDown, 0, 0, 1050, 0},
      {recmsg::kLeftUp, 0, 0, 1100, 0},  key(recmsg::kKeyDown, 'H', 1150), key(recmsg::kKeyUp, 'H', 1200),
      key(recmsg::kKeyDown, 'I', 1250),  key(recmsg::kKeyUp, 'I', 1300),
      {recmsg::kMouseMove, uint32_t(g.x), uint32_t(g.y), 1900, 0}, {recmsg::kLeftDown, 0, 0, 1950, 0},
      {recmsg::kLeftUp, 0, 0, 2000, 0}};
  const std::string out = RunRecordingScript(RecordingText(events));
  EXPECT_NE(out.find("(using \"Hardware\" recording method)"), std::string::npos) << out;
  const std::string at = ClientPoint(edit, e);
  ExpectInOrder(target, {"102 LBUTTONDOWN " + at, "102 LBUTTONUP " + at, "102 CHAR 104", "102 CHAR 105",
                         "104 LBUTTONDOWN " + ClientPoint(go, g), "w1 COMMAND 104 0"});
}

void SendKey(WORD vk, bool up) {
  INPUT in = {};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &in, sizeof in);
}

// Wine shows a process that gets no input of its own the key states of up to 50 ms ago: every
// state here lasts longer than that.
constexpr DWORD kHoldMs = 150;

// With its point: a bare button event could reach Wine before the cursor's move.
void SendClick(Desktop& desktop, POINT at) {
  const ScreenPoint p{at.x, at.y};
  desktop.SetCursorPos(p.x, p.y);
  Sleep(kHoldMs);
  (void)desktop.SendMouseButton(mouseevent::kLeftDown, p, 0);
  Sleep(kHoldMs);
  (void)desktop.SendMouseButton(mouseevent::kLeftUp, p, 0);
  Sleep(kHoldMs);
}

TEST(Win32Recording, WhatTheRecorderSawPlaysBackIntoAFreshTarget) {
  std::string text;
  std::string clicked;
  Win32Desktop desktop;
  Win32Clock clock;
  {
    TargetProgram first("--window \"E2E Rec One\"");
    ASSERT_TRUE(first.ready());
    HWND w = FindWindowA(nullptr, "E2E Rec One");
    const POINT e = Centre(GetDlgItem(w, 102)), g = Centre(GetDlgItem(w, 104));
    clicked = ClientPoint(GetDlgItem(w, 102), e);
    HardwareRecorder recorder(desktop, clock);
    recorder.Start();
    std::atomic<bool> stopped{false};
    std::thread timer([&] {
      for (int i = 0; i < 3000 && !stopped; ++i) {
        if (recorder.Poll()) stopped = true;
        Sleep(10);
      }
    });
    SendClick(desktop, e);
    for (WORD vk : {'O', 'K'}) {
      SendKey(vk, false);
      Sleep(kHoldMs);
      SendKey(vk, true);
      Sleep(kHoldMs);
    }
    SendClick(desktop, g);
    SendKey(kRecordingStopKey, false);
    WaitFor([&] { return stopped.load(); }, 5000);
    SendKey(kRecordingStopKey, true);
    timer.join();
    ASSERT_TRUE(stopped);
    text = recorder.StopToText(0);
    ExpectInOrder(first, {"102 CHAR 111", "102 CHAR 107", "w1 COMMAND 104 0"});
  }
  EXPECT_EQ(text.find("[0256-0066-"), std::string::npos) << "the stop key (F8, scan 66) was recorded:\n" << text;
  TargetProgram second("--window \"E2E Rec Two\"");
  ASSERT_TRUE(second.ready());
  RunRecordingScript(text);
  SCOPED_TRACE(text);
  ExpectInOrder(second, {"102 LBUTTONDOWN " + clicked, "102 CHAR 111", "102 CHAR 107", "w1 COMMAND 104 0"});
}

}  // namespace
}  // namespace plumo
