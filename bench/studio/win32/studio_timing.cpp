// Times the studio as a user feels it, with a Script of 100,000 Steps:
//
//   studio_timing PLUMO_EXE [STEPS]
//
// From starting Plumo.exe with the file to its list showing every row and painted; a page of
// scrolling (median of 20); Delete of 10,000 selected rows and its Undo, each from the command
// to the list painted again. Prints milliseconds.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "studio_driver.h"


using namespace studio_driver;

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: studio_timing PLUMO_EXE [STEPS]\n");
    return 2;
  }
  const int steps = argc > 2 ? std::atoi(argv[2]) : 100000;
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string file = std::string(temp) + "studio_timing.vxm";
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << "<Plumo>\r\n";
    for (int i = 0; i < steps; ++i)
      out << "<step><action>Set Variable</action><text>=%total+" << i << "</text><comment>row " << i
          << "</comment><output value=\"%total\">Variable</output></step>\r\n";
    out << "</Plumo>\r\n";
  }
  // Neither the splash nor the save question belongs in the times; both come back afterwards.
  const DWORD splash = GetNumber("ShowSplash", 1), promptSave = GetNumber("PromptSave", 1);
  SetNumber("ShowSplash", 0);
  SetNumber("PromptSave", 0);

  std::string cmd = "\"" + std::string(argv[1]) + "\" \"" + file + "\"";
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  const double start = NowMs();
  if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    std::fprintf(stderr, "cannot start %s\n", argv[1]);
    return 1;
  }
  Found f{pi.dwProcessId, nullptr};
  HWND list = nullptr;
  double shown = 0;
  while (NowMs() - start < 120000) {
    f.hwnd = nullptr;
    EnumWindows(&FindStudio, reinterpret_cast<LPARAM>(&f));
    if (f.hwnd && shown == 0) shown = NowMs() - start;
    if (f.hwnd && (list = GetDlgItem(f.hwnd, 3)) && Rows(list) == steps) break;
    Sleep(5);
  }
  if (!list || Rows(list) != steps) {
    std::fprintf(stderr, "the studio did not show %d rows\n", steps);
    TerminateProcess(pi.hProcess, 1);
    return 1;
  }
  Painted(list);
  const double open = NowMs() - start;

  std::vector<double> pages;
  for (int i = 0; i < 20; ++i) {
    const double t = NowMs();
    SendMessageA(list, WM_VSCROLL, SB_PAGEDOWN, 0);
    Painted(list);
    pages.push_back(NowMs() - t);
  }
  std::sort(pages.begin(), pages.end());

  // 10,000 scattered rows selected through the list, as clicks would.
  const int chosen = std::min(10000, steps / 10);
  void* remote = VirtualAllocEx(pi.hProcess, nullptr, sizeof(LVITEMA), MEM_COMMIT, PAGE_READWRITE);
  LVITEMA item = {};
  item.stateMask = LVIS_SELECTED;
  item.state = 0;
  WriteProcessMemory(pi.hProcess, remote, &item, sizeof(item), nullptr);
  SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(remote));
  item.state = LVIS_SELECTED;
  WriteProcessMemory(pi.hProcess, remote, &item, sizeof(item), nullptr);
  for (int i = 0; i < chosen; ++i)
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(i * 10), reinterpret_cast<LPARAM>(remote));

  double t = NowMs();
  SendMessageA(f.hwnd, WM_COMMAND, 1023, 0);  // Delete

  Painted(list);
  const double del = NowMs() - t;
  const int afterDelete = Rows(list);
  t = NowMs();
  SendMessageA(f.hwnd, WM_COMMAND, 1024, 0);  // Undo

  Painted(list);
  const double undo = NowMs() - t;
  const int afterUndo = Rows(list);

  std::printf("Steps                      %d\n", steps);
  std::printf("start to window shown      %.1f ms\n", shown);
  std::printf("open to painted list       %.1f ms (goal <= 1000)\n", open);
  std::printf("page scroll, median        %.2f ms (goal <= 16)\n", pages[pages.size() / 2]);
  std::printf("delete %d selected      %.1f ms (goal <= 500), rows left %d\n", chosen, del, afterDelete);
  std::printf("undo of the delete         %.1f ms (goal <= 500), rows %d\n", undo, afterUndo);

  PostMessageA(f.hwnd, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(pi.hProcess, 20000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
  VirtualFreeEx(pi.hProcess, remote, 0, MEM_RELEASE);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  DeleteFileA(file.c_str());
  SetNumber("ShowSplash", splash);
  SetNumber("PromptSave", promptSave);
  return afterDelete == steps - chosen && afterUndo == steps ? 0 : 1;
}
