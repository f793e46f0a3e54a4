// The studio's window driven from outside, as a user would: Scripts opened into tabs, the Step
// list, the title, the menu and the status bar read back, and runs started by their commands.
// Each test leaves a screenshot (PNG) of what it saw in <build>\tests\bin\studio-*.png.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <fstream>
#include <functional>
#include <string>

#include "fakes/png_file.h"
#include "fakes/wait_for.h"
#include "fakes/win32_built_program.h"
#include "fakes/win32_run_program.h"
#include "fakes/win32_target.h"
#include "platform/win32/win32_desktop.h"
#include "studio/about_dialog.h"
#include "studio/compile_dialog.h"
#include "studio/file_dialogs.h"
#include "studio/find_dialog.h"
#include "studio/goto_dialog.h"
#include "studio/options_dialog.h"
#include "studio/report_dialog.h"

namespace plumo {
namespace {

std::string Step(const std::string& inner) { return "<step>" + inner + "</step>\r\n"; }

// A Script file in the test folder; returns its path.
std::string WriteScript(const char* name, const std::string& steps) {
  std::string path = TestFilePath(name);
  std::ofstream(path, std::ios::binary | std::ios::trunc) << "<Plumo>\r\n" << steps << "</Plumo>\r\n";
  return path;
}

struct Found {
  DWORD pid;
  const char* cls;
  const char* title;
  HWND hwnd;
};
BOOL CALLBACK FindOf(HWND hwnd, LPARAM lp) {
  auto* f = reinterpret_cast<Found*>(lp);
  char cls[64] = {}, title[256] = {};
  GetClassNameA(hwnd, cls, sizeof(cls));
  GetWindowTextA(hwnd, title, sizeof(title));
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid == f->pid && (!f->cls || std::string(cls) == f->cls) && (!f->title || std::string(title) == f->title) &&
      IsWindowVisible(hwnd)) {
    f->hwnd = hwnd;
    return FALSE;
  }
  return TRUE;
}

void SetNumber(const char* key, const char* name, DWORD value) {
  HKEY k;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr) != ERROR_SUCCESS) return;
  RegSetValueExA(k, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
  RegCloseKey(k);
}

std::string ReadText(const char* key, const char* name) {
  char buf[512] = {};
  DWORD size = sizeof(buf);
  HKEY k;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return "";
  RegQueryValueExA(k, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &size);
  RegCloseKey(k);
  return buf;
}

// A buffer in another program, for the messages whose pointers Wine does not carry across.
class Remote {
 public:
  Remote(HWND window, size_t size) : size_(size) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    at_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
  }
  ~Remote() {
    VirtualFreeEx(process_, at_, 0, MEM_RELEASE);
    CloseHandle(process_);
  }
  LPARAM at() const { return reinterpret_cast<LPARAM>(at_); }
  void Put(const void* data, size_t n) { WriteProcessMemory(process_, at_, data, std::min(n, size_), nullptr); }
  void Get(void* data, size_t n) { ReadProcessMemory(process_, at_, data, std::min(n, size_), nullptr); }

 private:
  HANDLE process_ = nullptr;
  void* at_ = nullptr;
  size_t size_;
};

// EnumChildWindows: the first window whose id is want->first goes into want->second.
BOOL CALLBACK WithId(HWND hwnd, LPARAM lp) {
  auto* want = reinterpret_cast<std::pair<int, HWND>*>(lp);
  if (GetDlgCtrlID(hwnd) != want->first) return TRUE;
  want->second = hwnd;
  return FALSE;
}

class Studio {
 public:
  // The splash stays away unless a test asks for it: screenshots show the studio alone.
  explicit Studio(const std::string& args, bool splash = false) {
    SetNumber("Software\\Plumo", "ShowSplash", splash ? 1 : 0);
    SetNumber("Software\\Plumo", "PromptSave", 1);
    std::string cmd = "\"" + BuiltProgramPath("Plumo.exe") + "\" " + args;
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    started_ = CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_);
    if (started_) WaitFor([&] { return (main_ = Find("PlumoClass", nullptr)) != nullptr; }, 20000);
  }
  ~Studio() {
    if (!started_) return;
    if (main_) PostMessageA(main_, WM_CLOSE, 0, 0);
    // A test that left changes is answered No when the studio asks to save them.
    for (int i = 0; i < 80 && WaitForSingleObject(pi_.hProcess, 100) != WAIT_OBJECT_0; ++i)
      if (HWND ask = Find(nullptr, "Confirm Action")) PostMessageA(ask, WM_COMMAND, IDNO, 0);
    if (WaitForSingleObject(pi_.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(pi_.hProcess, 99);
    CloseHandle(pi_.hThread);
    CloseHandle(pi_.hProcess);
  }
  HWND main() const { return main_; }
  HWND Find(const char* cls, const char* title) const {
    Found f{pi_.dwProcessId, cls, title, nullptr};
    EnumWindows(&FindOf, reinterpret_cast<LPARAM>(&f));
    return f.hwnd;
  }
  // A part of the window by its id, docked palettes' parts included.
  HWND Child(int id) const {
    std::pair<int, HWND> want{id, nullptr};
    EnumChildWindows(main_, &WithId, reinterpret_cast<LPARAM>(&want));
    return want.second;
  }
  std::string Title() const {
    char buf[512] = {};
    GetWindowTextA(main_, buf, sizeof(buf));
    return buf;
  }
  std::string Status() const {
    char buf[512] = {};
    SendMessageA(Child(1), WM_GETTEXT, sizeof(buf), reinterpret_cast<LPARAM>(buf));
    return buf;
  }
  // A line of the Output palette that contains the text.
  bool OutputHas(const std::string& text) const {
    HWND out = Child(7);
    const int count = static_cast<int>(SendMessageA(out, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      const auto line = desktop_.ListViewItemText(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(out)), i, 1024);
      if (line && line->find(text) != std::string::npos) return true;
    }
    return false;
  }
  int Rows() const { return static_cast<int>(SendMessageA(Child(3), LVM_GETITEMCOUNT, 0, 0)); }
  int Tabs() const { return static_cast<int>(SendMessageA(Child(2), TCM_GETITEMCOUNT, 0, 0)); }
  std::string Row(int index) const {
    return desktop_.ListViewItemText(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(Child(3))), index, 260)
        .value_or("(unreadable)");
  }
  void Command(int id) const { PostMessageA(main_, WM_COMMAND, id, 0); }
  void Screenshot(const char* name, HWND window = nullptr) const {
    Sleep(300);  // let it paint
    RECT r;
    GetWindowRect(window ? window : main_, &r);
    OsError error;
    std::optional<Picture> shot = desktop_.CaptureScreen({r.left, r.top, r.right, r.bottom}, false, &error);
    ASSERT_TRUE(shot) << error.ToString();
    std::ofstream(TestFilePath((std::string("studio-") + name + ".png").c_str()), std::ios::binary) << WritePng(*shot);
  }

 private:
  PROCESS_INFORMATION pi_ = {};
  bool started_ = false;
  HWND main_ = nullptr;
  mutable Win32Desktop desktop_;
};

// A Comment, a loop of 26 Steps (one skipped, one bookmarked, with a breakpoint when asked) and
// an IF block: 30 Steps. Run without the breakpoint, %total ends as 5 * (0 + 1 + ... + 23 - 3).
std::string ThirtySteps(bool breakpoint) {
  std::string steps = Step("<action>Comment</action><comment>Thirty Steps: a loop, an IF block and marks</comment>");
  steps += Step("<action>Set Variable</action><text>0</text><output value=\"%total\">Variable</output>");
  steps += Step("<action>Start 'For' Loop</action><text>5</text><value1>1</value1><value2>1</value2>"
                "<output value=\"%n\">Variable</output>");
  for (int i = 0; i < 24; ++i) {
    const char* marks = i == 3 ? "<status>1</status>" : i == 9 ? "<status>1000</status>" : "";
    if (i == 6 && breakpoint) marks = "<status>2</status>";
    steps += Step(std::string("<action>Set Variable</action><indents>1</indents>") + marks + "<text>=%total+" +
                  std::to_string(i) + "</text><comment>adds " + std::to_string(i) +
                  "</comment><output value=\"%total\">Variable</output>");
  }
  steps += Step("<action>NEXT LOOP</action>");
  steps += Step("<action>IF Expression</action><text>%total > 10</text>");
  steps += Step("<action>END IF</action>");
  return steps;
}

TEST(Win32Studio, AnEmptyStudioHasOneUntitledTab) {
  Studio studio("");
  ASSERT_NE(studio.main(), nullptr);
  EXPECT_EQ(studio.Title(), "Untitled - Plumo Studio 7.76");
  EXPECT_EQ(studio.Tabs(), 1);
  EXPECT_EQ(studio.Rows(), 0);
  // A command not built yet says so rather than doing nothing.
  studio.Command(1439);
  EXPECT_TRUE(WaitFor([&] { return studio.Status() == " Show Plumo Usage Stats is not built yet"; }, 5000))
      << studio.Status();
  studio.Screenshot("empty");
}

TEST(Win32Studio, TheFirstStartShowsTheSplashAndAssociatesScriptFiles) {
  SetNumber("Software\\Plumo\\Report", "stats_total_uses", 0);
  Studio studio("", true);
  ASSERT_NE(studio.main(), nullptr);
  EXPECT_TRUE(WaitFor([&] { return studio.Find("PlumoSplash", nullptr) != nullptr; }, 5000));
  EXPECT_TRUE(WaitFor([&] { return studio.Find("PlumoSplash", nullptr) == nullptr; }, 5000));  // 2.5 s
  EXPECT_EQ(ReadText("Software\\Classes\\.vxm", ""), "Plumo.Script");
  EXPECT_NE(ReadText("Software\\Classes\\Plumo.Script\\shell\\open\\command", "").find("Plumo.exe\" \"%1\""),
            std::string::npos);
}

TEST(Win32Studio, AScriptOpensIntoATabWithOneRowPerStep) {
  const std::string path = WriteScript("thirty.vxm", ThirtySteps(true));
  Studio studio("\"" + path + "\"");
  ASSERT_NE(studio.main(), nullptr);
  ASSERT_TRUE(WaitFor([&] { return studio.Rows() == 30; }, 10000)) << studio.Rows();
  EXPECT_EQ(studio.Title(), "thirty.vxm - Plumo Studio 7.76");
  EXPECT_EQ(studio.Tabs(), 1);  // the file took the place of the empty Untitled tab
  EXPECT_EQ(studio.Row(2), "Start 'For' Loop");
  EXPECT_EQ(studio.Row(3), "      Set Variable");  // one level: six spaces by default
  EXPECT_EQ(studio.Row(0), "Comment");
  studio.Screenshot("thirty-steps");
}

TEST(Win32Studio, ANinthFileIsRefusedAndTheEightTabsStay) {
  Studio studio("");
  ASSERT_NE(studio.main(), nullptr);
  for (int i = 0; i < 7; ++i) studio.Command(1067);  // New
  ASSERT_TRUE(WaitFor([&] { return studio.Tabs() == 8; }, 5000)) << studio.Tabs();
  studio.Command(1067);
  HWND warning = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (warning = studio.Find(nullptr, "Plumo Warning")) != nullptr; }, 5000));
  PostMessageA(warning, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(WaitFor([&] { return studio.Find(nullptr, "Plumo Warning") == nullptr; }, 5000));
  EXPECT_EQ(studio.Tabs(), 8);
}

TEST(Win32Studio, RunFromTheMenuRunsTheCurrentTabAndShowsItsResults) {
  const std::string done = TestFilePath("studio-run.txt");
  DeleteFileA(done.c_str());
  std::string steps = ThirtySteps(false);
  steps += Step("<action>Wait for File</action><text>C:\\nowhere\\never.txt</text><timeout>0.2</timeout>"
                "<onfail>Ignore/Continue</onfail>");
  steps += Step("<action>Write to Output</action><text>OUT: total %total</text>");
  steps += Step("<action>Write/Create File</action><value1>" + done + "</value1><text>total %total</text>"
                "<options>Erase</options>");
  const std::string path = WriteScript("studio-run.vxm", steps);
  Studio studio("\"" + path + "\"");
  ASSERT_NE(studio.main(), nullptr);
  ASSERT_TRUE(WaitFor([&] { return studio.Rows() == 33; }, 10000));
  studio.Command(1029);  // Run
  std::string text;
  EXPECT_TRUE(WaitFor([&] {
    std::ifstream in(done);
    return std::getline(in, text) && !text.empty();
  }, 20000));
  EXPECT_EQ(text, "total 1365");
  EXPECT_TRUE(WaitFor([&] { return studio.OutputHas("OUT: total 1365"); }, 5000));
  studio.Command(1077);  // Show Run Results
  studio.Screenshot("after-run");
}

TEST(Win32Studio, ARunShowsItsStepAndStopsOnStop) {
  std::string steps = Step("<action>Comment</action><comment>A long loop, stopped from the menu</comment>");
  steps += Step("<action>Start 'For' Loop</action><text>100000</text><value1>1</value1><value2>1</value2>"
                "<output value=\"%i\">Variable</output>");
  steps += Step("<action>Delay</action><indents>1</indents><timeout>0.05</timeout>");
  steps += Step("<action>Set Variable</action><indents>1</indents><text>=%i*2</text>"
                "<output value=\"%twice\">Variable</output>");
  steps += Step("<action>NEXT LOOP</action>");
  const std::string path = WriteScript("studio-stop.vxm", steps);
  Studio studio("\"" + path + "\"");
  ASSERT_NE(studio.main(), nullptr);
  ASSERT_TRUE(WaitFor([&] { return studio.Rows() == 5; }, 10000));
  studio.Command(1029);  // Run
  EXPECT_TRUE(WaitFor([&] { return studio.Status().find("[STEP ") != std::string::npos; }, 10000)) << studio.Status();
  Sleep(500);
  studio.Screenshot("during-run");
  studio.Command(1032);  // Stop: the loop of 100,000 rounds ends at once with its summary
  EXPECT_TRUE(WaitFor([&] { return studio.Status().find("Run Completed on [STEP ") != std::string::npos; }, 10000))
      << studio.Status();
}

std::string ClipboardText() {
  std::string text;
  if (!OpenClipboard(nullptr)) return text;
  if (HANDLE h = GetClipboardData(CF_TEXT)) {
    if (const char* p = static_cast<const char*>(GlobalLock(h))) text = p;
    GlobalUnlock(h);
  }
  CloseClipboard();
  return text;
}

TEST(Win32Studio, EditsGoThroughTheModelAndUndoTwiceRestoresTheEdit) {
  const std::string path = WriteScript("edits.vxm", ThirtySteps(true));
  Studio studio("\"" + path + "\"");
  ASSERT_NE(studio.main(), nullptr);
  ASSERT_TRUE(WaitFor([&] { return studio.Rows() == 30; }, 10000));
  auto statusIs = [&](const std::string& want) {
    return WaitFor([&] { return studio.Status() == want; }, 5000) ? std::string() : studio.Status();
  };

  studio.Command(1055);  // Goto Next Bookmark selects Step 13
  studio.Command(1021);  // Copy
  EXPECT_EQ(statusIs(" Copied 1 XML record to the clipboard"), "");
  EXPECT_NE(ClipboardText().find("%total+9"), std::string::npos) << ClipboardText();

  studio.Command(1025);  // Select All
  studio.Command(1021);
  EXPECT_EQ(statusIs(" Copied 30 XML records to the clipboard"), "");
  studio.Command(1023);  // Delete
  EXPECT_TRUE(WaitFor([&] { return studio.Rows() == 0; }, 5000));
  EXPECT_EQ(statusIs(" Editing: 1 change"), "");
  studio.Command(1024);  // Undo
  EXPECT_TRUE(WaitFor([&] { return studio.Rows() == 30; }, 5000));
  studio.Command(1024);  // Undo again: the delete is back
  EXPECT_TRUE(WaitFor([&] { return studio.Rows() == 0; }, 5000));
  EXPECT_EQ(statusIs(" Editing: 3 changes"), "");
  studio.Command(1440);  // Paste to End: the 30 copied Steps
  EXPECT_TRUE(WaitFor([&] { return studio.Rows() == 30; }, 5000));
  EXPECT_EQ(studio.Row(2), "Start 'For' Loop");

  // Closing a changed file asks first; No closes it unsaved.
  studio.Command(1018);
  HWND ask = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (ask = studio.Find(nullptr, "Confirm Action")) != nullptr; }, 5000));
  studio.Screenshot("save-question", ask);
  PostMessageA(ask, WM_COMMAND, IDNO, 0);
  EXPECT_TRUE(WaitFor([&] { return studio.Title() == "Untitled - Plumo Studio 7.76"; }, 5000)) << studio.Title();
  EXPECT_EQ(ReadText("Software\\Plumo", "RecentFile1"), path);
}

TEST(Win32Studio, MarksAreSavedWithTheScript) {
  const std::string path = WriteScript("marks.vxm", Step("<action>Delay</action><timeout>1</timeout>") +
                                                        Step("<action>Beep</action>"));
  Studio studio("\"" + path + "\"");
  ASSERT_NE(studio.main(), nullptr);
  ASSERT_TRUE(WaitFor([&] { return studio.Rows() == 2; }, 10000));
  studio.Command(1025);  // Select All
  studio.Command(1041);  // Skip
  studio.Command(1039);  // Increase Indent
  EXPECT_TRUE(WaitFor([&] { return studio.Status() == " Editing: 2 changes"; }, 5000)) << studio.Status();
  studio.Command(1013);  // Save
  EXPECT_TRUE(WaitFor([&] { return studio.Status() == " Ready"; }, 5000)) << studio.Status();
  std::ifstream in(path);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("<status>0x1</status>"), std::string::npos) << text;
  EXPECT_NE(text.find("<indents>1</indents>"), std::string::npos) << text;
}

void SetClipboardText(const std::string& text) {
  if (!OpenClipboard(nullptr)) return;
  EmptyClipboard();
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
  memcpy(GlobalLock(h), text.c_str(), text.size() + 1);
  GlobalUnlock(h);
  SetClipboardData(CF_TEXT, h);
  CloseClipboard();
}

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Saves the current tab and reads the file once the studio says it is saved: reading it while
// the save replaces it would make the save fail (the file is in use).
std::string SaveAndRead(const Studio& studio, const std::string& path) {
  studio.Command(1013);
  EXPECT_TRUE(WaitFor([&] { return studio.Status() == " Ready"; }, 10000)) << studio.Status();
  return FileText(path);
}

// The text of the message box (with the caption, when given), answered OK.
std::string AnswerMessage(const Studio& studio, const char* caption = nullptr) {
  HWND box = nullptr;
  if (!WaitFor([&] { return (box = studio.Find("#32770", caption)) != nullptr; }, 5000)) return "(no message)";
  std::string text;
  for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    char cls[16] = {}, buf[512] = {};
    GetClassNameA(c, cls, sizeof(cls));
    GetWindowTextA(c, buf, sizeof(buf));
    if (std::string(cls) == "Static") text += buf;
  }
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  WaitFor([&] { return !IsWindow(box); }, 5000);
  return text;
}

TEST(Win32Studio, BadInputIsToldAndLosesNothing) {
  {
    // Text that holds no Steps: said in the status bar, nothing pasted.
    Studio studio("");
    ASSERT_NE(studio.main(), nullptr);
    SetClipboardText("just some words");
    studio.Command(1022);
    EXPECT_TRUE(WaitFor([&] { return studio.Status() == " The clipboard holds no Steps"; }, 5000)) << studio.Status();
    EXPECT_EQ(studio.Rows(), 0);
  }
  {
    // A damaged file: told, and no tab for it.
    const std::string damaged = TestFilePath("damaged.vxm");
    std::ofstream(damaged, std::ios::binary | std::ios::trunc) << "<Plumo><step><action></action></step></Plumo>";
    Studio studio("\"" + damaged + "\"");
    ASSERT_NE(studio.main(), nullptr);
    EXPECT_NE(AnswerMessage(studio), "(no message)");
    EXPECT_EQ(studio.Tabs(), 1);
    EXPECT_TRUE(WaitFor([&] { return studio.Title() == "Untitled - Plumo Studio 7.76"; }, 5000)) << studio.Title();
  }
  // A read-only file: the save fails with a message and the file keeps its text.
  const std::string locked = WriteScript("locked.vxm", Step("<action>Beep</action>"));
  const std::string before = FileText(locked);
  SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY);
  {
    Studio studio("\"" + locked + "\"");
    ASSERT_NE(studio.main(), nullptr);
    ASSERT_TRUE(WaitFor([&] { return studio.Rows() == 1; }, 10000));
    studio.Command(1025);
    studio.Command(1041);  // Skip: a change to save
    studio.Command(1013);
    EXPECT_NE(AnswerMessage(studio), "(no message)");
    EXPECT_EQ(FileText(locked), before);
    EXPECT_TRUE(WaitFor([&] { return studio.Status() == " Editing: 1 change"; }, 5000)) << studio.Status();
  }
  SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// A sub-item's rectangle on the screen, asked of the other program's list through its memory.
RECT CellOnScreen(HWND list, int row, int column) {
  RECT r = {LVIR_LABEL, column, 0, 0};
  Remote buffer(list, sizeof(r));
  buffer.Put(&r, sizeof(r));
  SendMessageA(list, LVM_GETSUBITEMRECT, row, buffer.at());
  buffer.Get(&r, sizeof(r));
  MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

TEST(Win32Studio, ADoubleClickOnACommentEditsItInPlace) {
  const std::string path = WriteScript("comment.vxm", Step("<action>Delay</action><timeout>1</timeout>"
                                                           "<comment>old note</comment>"));
  Studio studio("\"" + path + "\"");
  ASSERT_NE(studio.main(), nullptr);
  ASSERT_TRUE(WaitFor([&] { return studio.Rows() == 1; }, 10000));
  // The double-click as the list receives it, at the middle of the comment's cell.
  const RECT cell = CellOnScreen(studio.Child(3), 0, 3);
  POINT at = {(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
  ScreenToClient(studio.Child(3), &at);
  const LPARAM where = MAKELPARAM(at.x, at.y);
  for (UINT msg : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
    PostMessageA(studio.Child(3), msg, msg == WM_LBUTTONUP ? 0 : MK_LBUTTON, where);
  HWND edit = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (edit = FindWindowExA(studio.Child(3), nullptr, "Edit", nullptr)) != nullptr; }, 5000));
  SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("new note"));
  studio.Screenshot("comment-edit");
  PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_TRUE(WaitFor([&] { return studio.Status() == " Editing: 1 change"; }, 5000)) << studio.Status();
  EXPECT_NE(SaveAndRead(studio, path).find("new note"), std::string::npos);
}

// Mouse input at a point, through the port's call that gives every event its point (under Wine
// a button event without one can land where an earlier move left the cursor).
void Mouse(POINT p, DWORD flags) {
  Win32Desktop desktop;
  ASSERT_TRUE(desktop.SendMouseButton(flags, {p.x, p.y}, 0).ok());
  Sleep(30);
}

TEST(Win32Studio, DraggingARowMovesItAndUndoPutsItBack) {
  const std::string path = WriteScript("drag.vxm", Step("<action>Beep</action>") + Step("<action>Delay</action>") +
                                                       Step("<action>Label</action>") + Step("<action>Restart</action>"));
  Studio studio("\"" + path + "\"");
  ASSERT_NE(studio.main(), nullptr);
  ASSERT_TRUE(WaitFor([&] { return studio.Rows() == 4; }, 10000));
  const RECT first = CellOnScreen(studio.Child(3), 0, 0), last = CellOnScreen(studio.Child(3), 3, 0);
  POINT from = {(first.left + first.right) / 2, (first.top + first.bottom) / 2};
  Mouse(from, 0);
  Mouse(from, MOUSEEVENTF_LEFTDOWN);
  POINT at = from;
  for (; at.y <= last.bottom - 2; at.y += 4) Mouse(at, 0);  // onto Restart's lower half
  Mouse(at, MOUSEEVENTF_LEFTUP);
  EXPECT_TRUE(WaitFor([&] { return studio.Row(3) == "Beep"; }, 5000)) << studio.Row(0) << "|" << studio.Row(3);
  EXPECT_EQ(studio.Row(0), "Delay");
  studio.Command(1024);  // Undo
  EXPECT_TRUE(WaitFor([&] { return studio.Row(0) == "Beep"; }, 5000)) << studio.Row(0);
  EXPECT_EQ(studio.Row(3), "Restart");
}


// The grid's editors, driven as a user's clicks and keys arrive at them.
class PropertiesGrid {
 public:
  explicit PropertiesGrid(const Studio& studio) : studio_(studio) {}
  HWND grid() const { return studio_.Child(120); }
  int Rows() const { return static_cast<int>(SendMessageA(grid(), LVM_GETITEMCOUNT, 0, 0)); }
  std::string Label(int row) const {
    return Win32Desktop().ListViewItemText(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(grid())), row, 260)
        .value_or("");
  }
  int RowOf(const std::string& label) const {
    for (int i = 0; i < Rows(); ++i)
      if (Label(i) == label) return i;
    return -1;
  }
  // A click on the row's value; returns the editor it opens, if any.
  HWND Click(int row) const {
    const RECT cell = CellOnScreen(grid(), row, 1);
    POINT at = {(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
    ScreenToClient(grid(), &at);
    for (UINT msg : {WM_LBUTTONDOWN, WM_LBUTTONUP})
      PostMessageA(grid(), msg, msg == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(at.x, at.y));
    HWND editor = nullptr;
    WaitFor([&] { return (editor = studio_.Child(122)) != nullptr; }, 2000);
    return editor;
  }

 private:
  const Studio& studio_;
};

// Selects this row only, as a click on it does.
void SelectRow(HWND list, int row) {
  LVITEMA state = {};
  state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  Remote buffer(list, sizeof(state));
  buffer.Put(&state, sizeof(state));
  SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), buffer.at());
  state.state = LVIS_SELECTED | LVIS_FOCUSED;
  buffer.Put(&state, sizeof(state));
  SendMessageA(list, LVM_SETITEMSTATE, row, buffer.at());
}

TEST(Win32Studio, ThePropertiesPaletteEditsTheSelectedStep) {
  const std::string path = WriteScript("properties.vxm", Step("<action>Delay</action><timeout>1</timeout>") +
                                                            Step("<action>Type</action><text>hello</text>"
                                                                 "<options>Simulated Keypress</options>") +
                                                            Step("<action>Move</action><text>10, 20</text>"));
  Studio studio("\"" + path + "\"");
  ASSERT_NE(studio.main(), nullptr);
  ASSERT_TRUE(WaitFor([&] { return studio.Rows() == 3; }, 10000));
  PropertiesGrid grid(studio);
  SelectRow(studio.Child(3), 1);
  ASSERT_TRUE(WaitFor([&] { return grid.Label(0) == "Text"; }, 5000)) << grid.Label(0);

  // A number typed into its cell.
  const int delay = grid.RowOf("Inter-Character Delay");
  ASSERT_GE(delay, 0);
  HWND edit = grid.Click(delay);
  ASSERT_NE(edit, nullptr);
  SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("25"));
  PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_TRUE(WaitFor([&] { return studio.Status() == " Editing: 1 change"; }, 5000)) << studio.Status();

  // One word out of a list, chosen in its drop-down.
  HWND combo = grid.Click(grid.RowOf("Keyboard Method"));
  ASSERT_NE(combo, nullptr);
  SendMessageA(combo, CB_SETCURSEL, 1, 0);  // SendKeys
  PostMessageA(GetParent(combo), WM_COMMAND, MAKEWPARAM(122, CBN_SELENDOK), reinterpret_cast<LPARAM>(combo));
  EXPECT_TRUE(WaitFor([&] { return studio.Status() == " Editing: 2 changes"; }, 5000)) << studio.Status();

  // A check box turns its word on with one click.
  grid.Click(grid.RowOf("No Variable Expansion"));
  EXPECT_TRUE(WaitFor([&] { return studio.Status() == " Editing: 3 changes"; }, 5000)) << studio.Status();
  studio.Screenshot("properties");

  // A value still being typed when another Step is selected goes to the Step it was typed for.
  edit = grid.Click(delay);
  ASSERT_NE(edit, nullptr);
  SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("40"));
  SelectRow(studio.Child(3), 0);
  EXPECT_TRUE(WaitFor([&] { return grid.Label(0) == "Delay Seconds"; }, 5000)) << grid.Label(0);
  EXPECT_TRUE(WaitFor([&] { return studio.Status() == " Editing: 4 changes"; }, 5000)) << studio.Status();

  // A choice-or-text box keeps what is typed into its own edit box, and Enter there commits it.
  SelectRow(studio.Child(3), 2);
  ASSERT_TRUE(WaitFor([&] { return grid.Label(0) == "X, Y Coordinates"; }, 5000)) << grid.Label(0);
  combo = grid.Click(0);
  ASSERT_NE(combo, nullptr);
  HWND typed = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (typed = GetWindow(combo, GW_CHILD)) != nullptr; }, 2000));
  Sleep(300);  // focus moving from the combo box to its edit box must not close it
  ASSERT_TRUE(IsWindow(combo));
  SendMessageA(typed, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("120, 45"));
  PostMessageA(typed, WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_TRUE(WaitFor([&] { return studio.Status() == " Editing: 5 changes"; }, 5000)) << studio.Status();

  const std::string saved = SaveAndRead(studio, path);
  EXPECT_NE(saved.find("<value1>40</value1>"), std::string::npos) << saved;
  EXPECT_NE(saved.find("<options>SendKeys,No Variable Expansion</options>"), std::string::npos) << saved;
  EXPECT_NE(saved.find("<text>120, 45</text>"), std::string::npos) << saved;
  // The other Step is untouched.
  EXPECT_NE(saved.find("<timeout>1</timeout>"), std::string::npos) << saved;
}

// Drags the picker's cross-hair to `to` and lets go there, after `beforeRelease`.
void DragCrossHair(HWND picker, POINT to, const std::function<void()>& beforeRelease) {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  POINT at = {MulDiv(34, dpi, 96), MulDiv(34, dpi, 96)};
  ClientToScreen(picker, &at);
  Mouse(at, 0);
  Mouse(at, MOUSEEVENTF_LEFTDOWN);
  for (int i = 1; i <= 8; ++i) Mouse({at.x + (to.x - at.x) * i / 8, at.y + (to.y - at.y) * i / 8}, 0);
  beforeRelease();
  Mouse(to, MOUSEEVENTF_LEFTUP);
}

POINT Middle(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

TEST(Win32Studio, ThePickersFillTheStepFromWhatIsUnderTheCrossHair) {
  TargetProgram target("--window \"Pick Me\"");
  ASSERT_TRUE(target.ready());
  HWND picked = FindWindowA(nullptr, "Pick Me");
  ASSERT_NE(picked, nullptr);
  SetWindowPos(picked, nullptr, 640, 560, 636, 420, SWP_NOZORDER | SWP_NOACTIVATE);
  const std::string path = WriteScript(
      "pickers.vxm", Step("<action>Wait for Window</action><options>Class + ID</options>") +
                         Step("<action>Get Text</action><options>Most Recent \"Use Window\"</options>") +
                         Step("<action>IF Pixel Equals</action><text>Red</text><value1>0, 0</value1>"));
  Studio studio("\"" + path + "\"");
  ASSERT_NE(studio.main(), nullptr);
  ASSERT_TRUE(WaitFor([&] { return studio.Rows() == 3; }, 10000));
  // Side by side: Wine keeps another program's window from being made topmost. The studio keeps
  // its place for the next start, so it is put back at the end.
  RECT studioRect;
  GetWindowRect(studio.main(), &studioRect);
  SetWindowPos(studio.main(), nullptr, 0, 0, 640, 1000, SWP_NOZORDER | SWP_NOACTIVATE);
  PropertiesGrid grid(studio);
  // `shows`: what the picker says of the point once it has seen the cross-hair there.
  auto pick = [&](int step, const char* label, const char* title, POINT to, const std::string& shows, const char* shot) {
    SelectRow(studio.Child(3), step);
    ASSERT_TRUE(WaitFor([&] { return grid.RowOf(label) >= 0; }, 5000)) << label;
    ASSERT_NE(grid.Click(grid.RowOf(label)), nullptr);
    HWND more = nullptr;  // the "..." button beside the cell opens the picker
    ASSERT_TRUE(WaitFor([&] { return (more = studio.Child(123)) != nullptr; }, 2000));
    PostMessageA(GetParent(more), WM_COMMAND, MAKEWPARAM(123, BN_CLICKED), reinterpret_cast<LPARAM>(more));
    HWND picker = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (picker = studio.Find(nullptr, title)) != nullptr; }, 5000)) << title;
    Sleep(200);
    DragCrossHair(picker, to, [&] {
      EXPECT_TRUE(WaitFor([&] {
        char text[256] = {};
        GetWindowTextA(GetWindow(picker, GW_CHILD), text, sizeof(text));
        return std::string(text).find(shows) != std::string::npos;
      }, 3000)) << shows;
      if (shot) studio.Screenshot(shot, step == 0 ? GetDesktopWindow() : picker);
    });
  };
  // A control, by the class and ID the Step's method asks for.
  pick(0, "Window Match Data", "Pick a Window", Middle(GetDlgItem(picked, 104)), "ID: 104", "window-picker");
  // A Step that worked on the last "Use Window" now names the picked window by its title.
  RECT frame;
  GetWindowRect(picked, &frame);
  pick(1, "Window Match Data", "Pick a Window", {frame.right - 30, frame.bottom - 30}, "PlumoTarget",
       nullptr);
  // A pixel: its colour, and its point for the Step that checks one point.
  const POINT pixel = {frame.left + 600, frame.top + 300};
  HDC screen = GetDC(nullptr);
  const COLORREF colour = GetPixel(screen, pixel.x, pixel.y);
  ReleaseDC(nullptr, screen);
  pick(2, "Pixel Color Match", "Pick a Pixel", pixel, " at " + std::to_string(pixel.x) + ", " + std::to_string(pixel.y),
       "pixel-picker");
  char colourText[16];
  snprintf(colourText, sizeof(colourText), "#%02X%02X%02X", GetRValue(colour), GetGValue(colour), GetBValue(colour));

  const std::string saved = SaveAndRead(studio, path);
  for (const std::string& want : {std::string("<text>Button|104</text>"), std::string("<data type=\"string\">Pick Me</data>"),
                                 std::string("<options>Window Title</options>"), "<text>" + std::string(colourText) + "</text>",
                                 "<value1>" + std::to_string(pixel.x) + ", " + std::to_string(pixel.y) + "</value1>"})
    EXPECT_NE(saved.find(want), std::string::npos) << want << "\n" << saved;
  SetWindowPos(studio.main(), nullptr, studioRect.left, studioRect.top, studioRect.right - studioRect.left,
               studioRect.bottom - studioRect.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Key(WORD vk, bool up) {
  INPUT in = {};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &in, sizeof(in));
  Sleep(40);
}

TEST(Win32Studio, TheRecordingFieldRecordsKeysUntilF8) {
  const std::string path = WriteScript("recording.vxm", Step("<action>Recording</action><options>Hardware</options>"));
  Studio studio("\"" + path + "\"");
  ASSERT_NE(studio.main(), nullptr);
  ASSERT_TRUE(WaitFor([&] { return studio.Rows() == 1; }, 10000));
  PropertiesGrid grid(studio);
  SelectRow(studio.Child(3), 0);
  ASSERT_TRUE(WaitFor([&] { return grid.RowOf("Recording") >= 0; }, 5000));
  grid.Click(grid.RowOf("Recording"));
  ASSERT_TRUE(WaitFor([&] { return studio.Status() == " Recording: press F8 or click the field to stop"; }, 5000))
      << studio.Status();
  for (WORD vk : {'P', 'L'}) {
    Key(vk, false);
    Key(vk, true);
  }
  Key(VK_F8, false);
  Key(VK_F8, true);
  ASSERT_TRUE(WaitFor([&] { return studio.Status().starts_with(" Recorded "); }, 5000)) << studio.Status();
  const std::string saved = SaveAndRead(studio, path);
  ASSERT_NE(saved.find("<text>"), std::string::npos) << saved;
  // "[message-second-first-time]", a key's code in the low byte of "first": P and L went down
  // and up; F8 ended the recording and is not in it.
  std::vector<std::pair<int, int>> keys;  // message, key
  for (size_t at = saved.find('['); at != std::string::npos; at = saved.find('[', at + 1)) {
    int message = 0, second = 0, first = 0;
    if (sscanf(saved.c_str() + at, "[%d-%d-%d-", &message, &second, &first) == 3 && (message == 256 || message == 257))
      keys.emplace_back(message, first & 0xFF);
  }
  const std::vector<std::pair<int, int>> typed = {{256, 'P'}, {257, 'P'}, {256, 'L'}, {257, 'L'}};
  EXPECT_EQ(keys, typed) << saved;
  EXPECT_EQ(saved.find("<status>"), std::string::npos) << "F8 skipped the Step as well:\n" << saved;
}

TEST(Win32Studio, TrackMouseFollowsTheCursorAndF11KeepsWhereItWas) {
  TargetProgram target("--window \"Tracked\"");
  ASSERT_TRUE(target.ready());
  HWND tracked = FindWindowA(nullptr, "Tracked");
  ASSERT_NE(tracked, nullptr);
  Studio studio("");
  ASSERT_NE(studio.main(), nullptr);
  // Side by side, as in the pickers' test; the studio is put back at the end.
  RECT studioRect;
  GetWindowRect(studio.main(), &studioRect);
  SetWindowPos(studio.main(), nullptr, 0, 0, 640, 1000, SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowPos(tracked, nullptr, 640, 100, 636, 420, SWP_NOZORDER | SWP_NOACTIVATE);
  SetForegroundWindow(tracked);
  SetClipboardText("");
  studio.Command(1099);
  HWND tracker = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (tracker = studio.Find("PlumoMouseTracker", nullptr)) != nullptr; }, 5000));
  const POINT go = Middle(GetDlgItem(tracked, 104));
  Mouse(go, 0);
  const std::string where = std::to_string(go.x) + ", " + std::to_string(go.y);
  const std::string inWindow = std::to_string(go.x - 640) + ", " + std::to_string(go.y - 100);
  std::string shown;
  EXPECT_TRUE(WaitFor([&] {
    char text[512] = {};
    GetWindowTextA(GetWindow(tracker, GW_CHILD), text, sizeof(text));
    shown = text;
    return shown.find("Screen: " + where + "    Window: " + inWindow) == 0 && shown.find("ID: 104") != std::string::npos;
  }, 5000)) << shown;
  studio.Screenshot("track-mouse", tracker);
  // F11 reaches it while another program has the keyboard.
  Key(VK_F11, false);
  Key(VK_F11, true);
  EXPECT_TRUE(WaitFor([&] { return studio.Find("PlumoMouseTracker", nullptr) == nullptr; }, 5000));
  EXPECT_TRUE(WaitFor([&] { return ClipboardText() == where; }, 5000)) << ClipboardText();
  SetWindowPos(studio.main(), nullptr, studioRect.left, studioRect.top, studioRect.right - studioRect.left,
               studioRect.bottom - studioRect.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void SetText(const char* key, const char* name, const std::string& value) {
  HKEY k;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr) != ERROR_SUCCESS) return;
  RegSetValueExA(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), static_cast<DWORD>(value.size() + 1));
  RegCloseKey(k);
}

bool ValueExists(const char* key, const char* name) {
  HKEY k;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
  const bool found = RegQueryValueExA(k, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  RegCloseKey(k);
  return found;
}

// The text of a cell of another program's list view.
std::string CellText(HWND list, int row, int column) {
  constexpr size_t kChars = 260;
  Remote buffer(list, sizeof(LVITEMA) + kChars);
  LVITEMA item = {};
  item.iSubItem = column;
  item.cchTextMax = kChars;
  item.pszText = reinterpret_cast<char*>(buffer.at() + sizeof(LVITEMA));
  buffer.Put(&item, sizeof(item));
  SendMessageA(list, LVM_GETITEMTEXTA, row, buffer.at());
  std::string all(sizeof(LVITEMA) + kChars, '\0');
  buffer.Get(all.data(), all.size());
  return all.substr(sizeof(LVITEMA)).c_str();
}

HTREEITEM TreeItem(HWND tree, UINT how, HTREEITEM from = nullptr) {
  return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(from)));
}

// The palette's windows by their ids, as the studio numbers them.
constexpr int kActionsPalette = 12, kVariablesPalette = 13;
constexpr int kSearchBox = 1101, kActionTree = 1102, kVariableList = 1201;
constexpr int kAddToTop = 41002, kCustomizeXml = 41007, kExportFavorites = 41011;
constexpr int kEntryEdit = 101;  // the entry dialog's edit box
constexpr int kFileNameBox = 1148;  // the file name of the common Save dialog

TEST(Win32Studio, TheActionsPaletteAddsActionsAndFavouritesAsNewSteps) {
  constexpr char kFavorites[] = "Software\\Plumo\\Favorites";
  SetText(kFavorites, "Favorite01", "Two beeps<step><action>Beep</action></step><step><action>Beep</action></step>");
  const std::string path = WriteScript("palette.vxm", Step("<action>Delay</action><timeout>1</timeout>"));
  Studio studio("\"" + path + "\"");
  ASSERT_NE(studio.main(), nullptr);
  ASSERT_TRUE(WaitFor([&] { return studio.Rows() == 1; }, 10000));
  HWND palette = studio.Child(kActionsPalette);
  HWND search = GetDlgItem(palette, kSearchBox), tree = GetDlgItem(palette, kActionTree);
  ASSERT_NE(tree, nullptr);
  Win32Desktop desktop;
  auto itemText = [&](HTREEITEM item) {
    return desktop.TreeViewItemText(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(tree)),
                                    reinterpret_cast<int64_t>(item), 128).value_or("(unreadable)");
  };
  EXPECT_EQ(SendMessageA(tree, TVM_GETCOUNT, 0, 0) > 150, true);
  EXPECT_EQ(itemText(TreeItem(tree, TVGN_ROOT)), "Favorites");
  EXPECT_EQ(itemText(TreeItem(tree, TVGN_CHILD, TreeItem(tree, TVGN_ROOT))), "Two beeps");
  studio.Screenshot("actions-palette");

  // A group opened by the user stays open next time.
  constexpr char kActionsKey[] = "Software\\Plumo\\Palettes\\Actions";
  auto runGroupOpen = [&] {
    DWORD value = 0, size = sizeof(value);
    return RegGetValueA(HKEY_CURRENT_USER, kActionsKey, "tree_100002", RRF_RT_REG_DWORD, nullptr, &value, &size) ==
               ERROR_SUCCESS && value == 1;
  };
  HTREEITEM runGroup = TreeItem(tree, TVGN_NEXT, TreeItem(tree, TVGN_ROOT));
  ASSERT_EQ(itemText(runGroup), "Run");
  SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(runGroup));
  PostMessageA(tree, WM_KEYDOWN, VK_RIGHT, 0);
  EXPECT_TRUE(WaitFor(runGroupOpen, 5000));
  PostMessageA(tree, WM_KEYDOWN, VK_LEFT, 0);
  EXPECT_TRUE(WaitFor([&] { return !runGroupOpen(); }, 5000));

  // Typing filters the tree and readies the first match; Add to Top puts it first.
  SendMessageA(search, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("close window"));
  ASSERT_TRUE(WaitFor([&] { return itemText(TreeItem(tree, TVGN_ROOT)) == "Windows"; }, 5000));
  EXPECT_EQ(itemText(TreeItem(tree, TVGN_CARET)), "Close Window");
  EXPECT_EQ(TreeItem(tree, TVGN_NEXT, TreeItem(tree, TVGN_ROOT)), nullptr);
  studio.Screenshot("actions-search");
  PostMessageA(palette, WM_COMMAND, kAddToTop, 0);
  ASSERT_TRUE(WaitFor([&] { return studio.Rows() == 2; }, 5000));
  EXPECT_EQ(studio.Row(0), "Close Window");

  // Enter on a favourite adds its Steps where Paste would put them.
  SendMessageA(search, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("beeps"));
  ASSERT_TRUE(WaitFor([&] { return itemText(TreeItem(tree, TVGN_CARET)) == "Two beeps"; }, 5000));
  PostMessageA(tree, WM_KEYDOWN, VK_RETURN, 0);
  ASSERT_TRUE(WaitFor([&] { return studio.Rows() == 4; }, 5000));
  const std::string saved = SaveAndRead(studio, path);
  const size_t close = saved.find("<action>Close Window</action>");
  EXPECT_NE(close, std::string::npos) << saved;
  EXPECT_LT(close, saved.find("<action>Delay</action>"));
  EXPECT_NE(saved.find("<timeout>1</timeout>"), std::string::npos);
  size_t beeps = 0;
  for (size_t at = saved.find("<action>Beep</action>"); at != std::string::npos; at = saved.find("<action>Beep", at + 1))
    ++beeps;
  EXPECT_EQ(beeps, 2u) << saved;

  // Dragged onto the first row's upper half, the favourite lands in front of it.
  // TVM_GETITEMRECT takes the item in the rectangle's first bytes.
  RECT r = {};
  const HTREEITEM caret = TreeItem(tree, TVGN_CARET);
  memcpy(&r, &caret, sizeof(caret));
  Remote rect(tree, sizeof(r));
  rect.Put(&r, sizeof(r));
  ASSERT_TRUE(SendMessageA(tree, TVM_GETITEMRECT, TRUE, rect.at()));
  rect.Get(&r, sizeof(r));
  MapWindowPoints(tree, nullptr, reinterpret_cast<POINT*>(&r), 2);
  const RECT first = CellOnScreen(studio.Child(3), 0, 0);
  POINT at = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  const POINT to = {(first.left + first.right) / 2, first.top + 2};
  Mouse(at, 0);
  Mouse(at, MOUSEEVENTF_LEFTDOWN);
  for (int i = 1; i <= 20; ++i)
    Mouse({at.x + (to.x - at.x) * i / 20, at.y + (to.y - at.y) * i / 20}, 0);
  Mouse(to, MOUSEEVENTF_LEFTUP);
  EXPECT_TRUE(WaitFor([&] { return studio.Rows() == 6; }, 5000)) << studio.Rows();
  EXPECT_EQ(studio.Row(0), "Beep");
  EXPECT_EQ(studio.Row(4), "Close Window");

  // Export All Favorites writes a registry file that holds them.
  const std::string exported = TestFilePath("favorites.reg");
  DeleteFileA(exported.c_str());
  PostMessageA(palette, WM_COMMAND, kExportFavorites, 0);
  HWND save = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (save = studio.Find("#32770", nullptr)) != nullptr; }, 5000));
  SetDlgItemTextA(save, kFileNameBox, exported.c_str());
  PostMessageA(save, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(WaitFor([&] { return FileText(exported).find("\"Favorite01\"=\"Two beeps<step>") != std::string::npos; },
                      5000))
      << FileText(exported);
  EXPECT_EQ(FileText(exported).rfind("REGEDIT4\r\n", 0), 0u);

  // Customize XML shows the favourite's Steps, one to a line, and keeps what is typed there under
  // its name.
  PostMessageA(palette, WM_COMMAND, kCustomizeXml, 0);
  HWND xml = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (xml = studio.Find("#32770", "Customize XML")) != nullptr; }, 5000));
  char shown[512] = {};
  GetDlgItemTextA(xml, kEntryEdit, shown, sizeof(shown));
  EXPECT_EQ(std::string(shown), "<step><action>Beep</action></step>\r\n<step><action>Beep</action></step>");
  const std::string custom = "<step><action>Beep</action></step><step><action>Delay</action><timeout>3</timeout></step>";
  SetDlgItemTextA(xml, kEntryEdit, "<step><action>Beep</action></step>\r\n<step><action>Delay</action><timeout>3</timeout></step>");
  PostMessageA(xml, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(WaitFor([&] { return ReadText(kFavorites, "Favorite01") == "Two beeps" + custom; }, 5000))
      << ReadText(kFavorites, "Favorite01");
  RegDeleteKeyA(HKEY_CURRENT_USER, kFavorites);
}

TEST(Win32Studio, ARunShowsItsVariablesAndTheTrackingWindow) {
  constexpr char kVariables[] = "Software\\Plumo\\UserVariables";
  std::string steps = Step("<action>Set Variable</action><text>hello 42</text>"
                           "<output value=\"%palette_demo\">Variable</output>");
  steps += Step("<action>Set Variable</action><text>7</text><output value=\"%_kept_quiet\">Variable</output>");
  steps += Step("<action>Delay</action><timeout>2</timeout>");
  const std::string path = WriteScript("variables.vxm", steps);
  SetNumber("Software\\Plumo", "RunTrackingY", 200);
  SetNumber("Software\\Plumo", "RunTrackingWidth", 300);
  SetNumber("Software\\Plumo", "RunTrackingTimeout", 700);
  Studio studio("\"" + path + "\"");
  ASSERT_NE(studio.main(), nullptr);
  ASSERT_TRUE(WaitFor([&] { return studio.Rows() == 3; }, 10000));
  studio.Command(1029);  // Run
  HWND tracking = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (tracking = studio.Find("PlumoTracking", nullptr)) != nullptr; }, 10000));
  EXPECT_NE(GetWindowLongA(tracking, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  RECT placed;
  GetWindowRect(tracking, &placed);
  EXPECT_EQ(placed.top, 200);
  EXPECT_EQ(placed.right - placed.left, 300);
  // It hides when no new Step comes within its time-out, and closes with the run.
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(tracking); }, 5000));
  EXPECT_TRUE(IsWindow(tracking));
  EXPECT_TRUE(WaitFor([&] { return studio.Status().find("Run Completed") != std::string::npos; }, 10000))
      << studio.Status();
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(tracking); }, 5000));

  HWND list = GetDlgItem(studio.Child(kVariablesPalette), kVariableList);
  ASSERT_NE(list, nullptr);
  int row = -1;
  EXPECT_TRUE(WaitFor([&] {
    const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      const std::string name = CellText(list, i, 0);
      EXPECT_NE(name, "_kept_quiet");
      if (name == "palette_demo") row = i;
    }
    return row >= 0;
  }, 5000));
  ASSERT_GE(row, 0);
  EXPECT_EQ(CellText(list, row, 1), "hello 42");
  EXPECT_EQ(CellText(list, row, 2), "Text");
  studio.Screenshot("variables-palette");

  // Enter on the selected row asks for a new value and stores it.
  LVITEMA item = {};
  item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
  Remote buffer(list, sizeof(item));
  buffer.Put(&item, sizeof(item));
  SendMessageA(list, LVM_SETITEMSTATE, row, buffer.at());
  PostMessageA(list, WM_KEYDOWN, VK_RETURN, 0);
  HWND ask = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (ask = studio.Find("#32770", "Edit Variable")) != nullptr; }, 5000));
  SendMessageA(FindWindowExA(ask, nullptr, "Edit", nullptr), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("1,234.5"));
  PostMessageA(ask, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(WaitFor([&] { return ReadText(kVariables, "palette_demo") == "1,234.5"; }, 5000));
  EXPECT_TRUE(WaitFor([&] { return CellText(list, row, 2) == "Number"; }, 5000)) << CellText(list, row, 2);

  // Delete on the selected row removes the variable itself, not a Step.
  PostMessageA(list, WM_KEYDOWN, VK_DELETE, 0);
  EXPECT_TRUE(WaitFor([&] { return !ValueExists(kVariables, "palette_demo"); }, 5000));
  EXPECT_TRUE(ValueExists(kVariables, "_kept_quiet"));
  EXPECT_EQ(studio.Rows(), 3);
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Plumo", 0, KEY_WRITE, &key) == ERROR_SUCCESS) {
    for (const char* name : {"RunTrackingY", "RunTrackingWidth", "RunTrackingTimeout"}) RegDeleteValueA(key, name);
    RegCloseKey(key);
  }
}

std::string ControlText(HWND dialog, int id) {
  char buf[1024] = {};
  SendMessageA(GetDlgItem(dialog, id), WM_GETTEXT, sizeof(buf), reinterpret_cast<LPARAM>(buf));
  return buf;
}

TEST(Win32Studio, TheCompileDialogBuildsAProgramThatRuns) {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string folder = std::string(temp) + "plumo studio compile";
  CreateDirectoryA(folder.c_str(), nullptr);
  const std::string program = folder + "\\squares.exe", result = folder + "\\squares.txt";
  DeleteFileA(program.c_str());
  DeleteFileA(result.c_str());
  SetText("Software\\Plumo\\Compile", "OutputEXE", folder + "\\squares.com");
  SetText("Software\\Plumo\\Compile", "Version", "2.5.1");
  SetNumber("Software\\Plumo\\Compile", "Platform", 1);
  SetNumber("Software\\Plumo\\Compile", "Encrypt", 1);
  Studio studio("\"" + TestFilePath("squares.vxm") + "\"");
  ASSERT_NE(studio.main(), nullptr);
  ASSERT_TRUE(WaitFor([&] { return studio.Rows() > 0; }, 10000));
  studio.Command(1037);
  HWND dialog = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (dialog = studio.Find("#32770", kCompileDialogTitle)) != nullptr; }, 5000));
  EXPECT_EQ(ControlText(dialog, compileid::kCommandLine),
            "Plumo /CONSOLE /e /c " + TestFilePath("squares.vxm") + " /o \"" + folder +
                "\\squares.com\" /v \"2.5.1\" /d \"My Automation Script\" /y \"" +
                ReadText("Software\\Plumo\\Compile", "Copyright") + "\"");
  // Choosing the Windows program corrects the extension, and the command line follows.
  HWND platform = GetDlgItem(dialog, compileid::kPlatform);
  SendMessageA(platform, CB_SETCURSEL, 0, 0);
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(compileid::kPlatform, CBN_SELCHANGE), reinterpret_cast<LPARAM>(platform));
  EXPECT_EQ(ControlText(dialog, compileid::kOutput), program);
  const std::string line = ControlText(dialog, compileid::kCommandLine);
  EXPECT_EQ(line.rfind("Plumo /WIN32 /e /c ", 0), 0u) << line;
  studio.Screenshot("compile-dialog", dialog);
  PostMessageA(GetDlgItem(dialog, compileid::kCopy), BM_CLICK, 0, 0);
  EXPECT_EQ(AnswerMessage(studio, "Compile EXE Switches"), "The command line for compiling has been copied to the Clipboard");
  std::string copied;
  if (OpenClipboard(nullptr)) {
    if (HANDLE h = GetClipboardData(CF_TEXT)) {
      copied = static_cast<const char*>(GlobalLock(h));
      GlobalUnlock(h);
    }
    CloseClipboard();
  }
  EXPECT_EQ(copied, line);

  PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(WaitFor([&] { return studio.Status() == " Compiled " + program; }, 30000)) << studio.Status();
  EXPECT_TRUE(WaitFor([&] { return studio.OutputHas("Successfully created [" + program + "]"); }, 5000));
  EXPECT_EQ(ReadText("Software\\Plumo\\Compile", "OutputEXE"), program);
  const ProgramOutcome run = RunProgram("\"" + program + "\" %dir=\"" + folder + "\"");
  EXPECT_EQ(run.exitCode, 7u) << run.out;
  EXPECT_EQ(FileText(result), "Sum of squares: 55");
  SetNumber("Software\\Plumo\\Compile", "Encrypt", 0);
  SetNumber("Software\\Plumo", "DefaultReturnCode", 0);  // the example's exit code would be the studio's
}

HWND WaitForDialog(const Studio& studio, const char* title) {
  HWND dialog = nullptr;
  WaitFor([&] { return (dialog = studio.Find("#32770", title)) != nullptr; }, 5000);
  return dialog;
}

void SetControlText(HWND dialog, int id, const char* text) {
  SendMessageA(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

int SelectedRow(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, -1, LVNI_SELECTED)); }

TEST(Win32Studio, GoToStepAndReplaceSelectTheRowInTheList) {
  const std::string path = WriteScript("goto.vxm", ThirtySteps(false));
  Studio studio("\"" + path + "\"");
  ASSERT_NE(studio.main(), nullptr);
  ASSERT_TRUE(WaitFor([&] { return studio.Rows() == 30; }, 10000));
  studio.Command(1066);
  HWND go = WaitForDialog(studio, kGoToDialogTitle);
  ASSERT_NE(go, nullptr);
  SetControlText(go, gotoid::kNumber, "99");
  PostMessageA(go, WM_COMMAND, IDOK, 0);
  EXPECT_NE(AnswerMessage(studio, "Plumo Warning"), "(no message)");
  EXPECT_TRUE(IsWindow(go));  // refused, and still asking
  SetControlText(go, gotoid::kNumber, "12");
  studio.Screenshot("goto-dialog", go);
  PostMessageA(go, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(go); }, 5000));
  EXPECT_TRUE(WaitFor([&] { return SelectedRow(studio.Child(3)) == 11; }, 5000)) << SelectedRow(studio.Child(3));

  studio.Command(1073);  // Replace
  HWND replace = WaitForDialog(studio, kReplaceDialogTitle);
  ASSERT_NE(replace, nullptr);
  SetControlText(replace, findid::kWhat, "adds 7");
  SetControlText(replace, findid::kWith, "adds seven");
  SendMessageA(replace, WM_COMMAND, findid::kFindNext, 0);
  EXPECT_EQ(ControlText(replace, findid::kOutcome), "Found \"adds 7\" in Step 11");
  EXPECT_EQ(SelectedRow(studio.Child(3)), 10);
  studio.Screenshot("replace-dialog", replace);
  SendMessageA(replace, WM_COMMAND, findid::kReplaceAll, 0);
  EXPECT_EQ(ControlText(replace, findid::kOutcome), "Replaced 1 time");
  PostMessageA(replace, WM_COMMAND, IDCANCEL, 0);
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(replace); }, 5000));
  EXPECT_EQ(studio.Status(), " Replaced 1 time");
  EXPECT_EQ(ReadText("Software\\Plumo", "Find"), "adds 7");
}

void ShowOptionsPage(HWND dialog, int page) {
  HWND pages = GetDlgItem(dialog, optionsid::kPages);
  SendMessageA(pages, LB_SETCURSEL, page, 0);
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(optionsid::kPages, LBN_SELCHANGE), reinterpret_cast<LPARAM>(pages));
}

TEST(Win32Studio, OptionsAreCheckedAndLandInTheRegistry) {
  constexpr const char* kList = "Software\\Plumo\\Palettes\\MainList";
  SetNumber(kList, "IndentSize", 6);
  Studio studio("");
  ASSERT_NE(studio.main(), nullptr);
  studio.Command(1036);
  HWND dialog = WaitForDialog(studio, kOptionsDialogTitle);
  ASSERT_NE(dialog, nullptr);
  ShowOptionsPage(dialog, 1);  // Editing
  SelectRow(GetDlgItem(dialog, optionsid::kRows), 4);  // Indent size
  EXPECT_EQ(ControlText(dialog, optionsid::kHint), "A whole number from 0 to 31");
  EXPECT_EQ(ControlText(dialog, optionsid::kValue), "6");
  SetControlText(dialog, optionsid::kValue, "40");
  PostMessageA(dialog, WM_COMMAND, optionsid::kApply, 0);
  EXPECT_EQ(AnswerMessage(studio, kInvalidOptionCaption), "\"Indent size (spaces)\" must be a whole number from 0 to 31.");
  SetControlText(dialog, optionsid::kValue, "12");
  studio.Screenshot("options-dialog", dialog);

  // A key another command has is refused; a free one is taken.
  ShowOptionsPage(dialog, 8);  // Keyboard
  SelectRow(GetDlgItem(dialog, optionsid::kRows), 2);  // Close Active File
  HWND key = GetDlgItem(dialog, optionsid::kKey);
  SendMessageA(key, HKM_SETHOTKEY, MAKEWORD('F', HOTKEYF_CONTROL), 0);
  PostMessageA(dialog, WM_COMMAND, optionsid::kApply, 0);
  EXPECT_EQ(AnswerMessage(studio, kInvalidOptionCaption), "Ctrl+F is already the key of \"Find...\".");
  SendMessageA(key, HKM_SETHOTKEY, MAKEWORD('W', HOTKEYF_CONTROL), 0);
  PostMessageA(dialog, WM_COMMAND, optionsid::kApply, 0);
  studio.Screenshot("options-keyboard", dialog);
  PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog); }, 5000));
  HKEY k;
  DWORD value = 0, size = sizeof(value);
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kList, 0, KEY_READ, &k), ERROR_SUCCESS);
  RegQueryValueExA(k, "IndentSize", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
  RegCloseKey(k);
  EXPECT_EQ(value, 12u);
  EXPECT_EQ(ReadText("Software\\Plumo\\Accelerators", "Close Active File"), "87|1");
  SetNumber(kList, "IndentSize", 6);
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Plumo\\Accelerators", 0, KEY_SET_VALUE, &k) == ERROR_SUCCESS) {
    RegDeleteValueA(k, "Close Active File");
    RegCloseKey(k);
  }
}

TEST(Win32Studio, TheReportOfTheLastRunIsWrittenInTheChosenFormat) {
  const std::string path = WriteScript("reported.vxm", Step("<action>Set Variable</action><text>four, five</text>"
                                                            "<output value=\"%reportedText\">Variable</output>") +
                                                           Step("<action>Set Variable</action><status>1</status><text>x</text>"
                                                                "<output value=\"%reportedSkip\">Variable</output>") +
                                                           Step("<action>Write to Output</action><text>OUT: %reportedText</text>"));
  const std::string report = TestFilePath("reported.csv");
  DeleteFileA(report.c_str());
  SetText("Software\\Plumo\\Report", "OutputFile", TestFilePath("reported.htm"));
  SetNumber("Software\\Plumo\\Report", "ReportType", 2);
  Studio studio("\"" + path + "\"");
  ASSERT_NE(studio.main(), nullptr);
  ASSERT_TRUE(WaitFor([&] { return studio.Rows() == 3; }, 10000));
  studio.Command(1029);  // Run
  ASSERT_TRUE(WaitFor([&] { return studio.OutputHas("OUT: four, five"); }, 20000));
  studio.Command(1016);
  HWND dialog = WaitForDialog(studio, kReportDialogTitle);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(ControlText(dialog, reportid::kFile), TestFilePath("reported.htm"));
  SendMessageA(GetDlgItem(dialog, reportid::kCsv), BM_CLICK, 0, 0);
  EXPECT_EQ(ControlText(dialog, reportid::kFile), report);
  SendMessageA(GetDlgItem(dialog, reportid::kOpen), BM_SETCHECK, BST_UNCHECKED, 0);
  studio.Screenshot("report-dialog", dialog);
  PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  std::string text;
  EXPECT_TRUE(WaitFor([&] { return (text = FileText(report)).find("3, Write to Output") != std::string::npos; }, 5000));
  EXPECT_EQ(text.rfind("Plumo report for \"reported.vxm\"\r\nCreated on ", 0), 0u) << text;
  EXPECT_NE(text.find("\r\n1, Set Variable, four  five, Success\r\n2, Set Variable, x, Skipped\r\n"), std::string::npos) << text;
  EXPECT_EQ(ReadText("Software\\Plumo\\Report", "OutputFile"), report);

  // The grid snapshot names no file and leaves the list on the clipboard.
  SetClipboardText("");
  studio.Command(1016);
  dialog = WaitForDialog(studio, kReportDialogTitle);
  ASSERT_NE(dialog, nullptr);
  SendMessageA(GetDlgItem(dialog, reportid::kGrid), BM_CLICK, 0, 0);
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, reportid::kFile)));
  PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(WaitFor([&] { return (text = ClipboardText()).find("Step\tAction") == 0; }, 5000)) << text;
  EXPECT_NE(text.find("\r\n1\tSet Variable\tfour, five\t\tSuccess\r\n2\tSet Variable\tx\t\tSkipped\r\n"),
            std::string::npos)
      << text;
  SetNumber("Software\\Plumo\\Report", "ReportType", 0);

  // View Log File says so when no run has written the log yet.
  const std::string log = TestFilePath("no-such-run.log");
  SetText("Software\\Plumo", "Logfile", log);
  studio.Command(1042);
  EXPECT_TRUE(WaitFor([&] { return studio.Status().find(log + " when logging is on") != std::string::npos; }, 5000))
      << studio.Status();
  SetText("Software\\Plumo", "Logfile", "");
  // User variables persist in the registry the other tests share.
  HKEY k;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Plumo\\UserVariables", 0, KEY_SET_VALUE, &k) == ERROR_SUCCESS) {
    RegDeleteValueA(k, "reportedText");
    RegCloseKey(k);
  }
}

TEST(Win32Studio, TheHelpMenuShowsTheVersionAndTheCommandLineHelp) {
  Studio studio("");
  ASSERT_NE(studio.main(), nullptr);
  const struct {
    int command;
    const char* title;
    int control;
    const char* starts;
    const char* shot;
  } dialogs[] = {
      {1003, kAboutDialogTitle, aboutid::kVersion, "Plumo Studio 7.76", "about-dialog"},
      {1080, kStartupOptionsTitle, aboutid::kText, "COMMAND LINE OPTIONS:\r\n------", "startup-options-dialog"},
  };
  for (const auto& d : dialogs) {
    studio.Command(d.command);
    HWND dialog = WaitForDialog(studio, d.title);
    ASSERT_NE(dialog, nullptr) << d.title;
    EXPECT_EQ(ControlText(dialog, d.control).rfind(d.starts, 0), 0u) << ControlText(dialog, d.control);
    studio.Screenshot(d.shot, dialog);
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog); }, 5000)) << d.title;
  }
}

TEST(Win32Studio, CustomTagsEditTheSelectedStepAndPropertiesCountTheSteps) {
  const std::string path = WriteScript("custom.vxm", Step("<action>Delay</action><status>1</status>") +
                                                         Step("<action>Delay</action><custom>old</custom>"));
  Studio studio("\"" + path + "\"");
  ASSERT_NE(studio.main(), nullptr);
  ASSERT_TRUE(WaitFor([&] { return studio.Rows() == 2; }, 10000));
  SelectRow(studio.Child(3), 1);
  studio.Command(1059);
  HWND tags = WaitForDialog(studio, kCustomTagsDialogTitle);
  ASSERT_NE(tags, nullptr);
  EXPECT_EQ(ControlText(tags, filedlgid::kCustom), "old");
  SetControlText(tags, filedlgid::kCustom, "<owner>qa</owner>");
  studio.Screenshot("custom-tags-dialog", tags);
  PostMessageA(tags, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(WaitFor([&] { return studio.Status() == " Editing: 1 change"; }, 5000)) << studio.Status();

  studio.Command(1017);
  HWND facts = WaitForDialog(studio, kPropertiesDialogTitle);
  ASSERT_NE(facts, nullptr);
  const std::string values[] = {"custom.vxm", "", "", "", "2", "0", "1", "0", "0", "1"};
  for (int i = 0; i < 10; ++i) {
    if (values[i].empty()) continue;  // folder, size and time depend on the machine
    EXPECT_EQ(ControlText(facts, filedlgid::kFirstValue + i), values[i]) << i;
  }
  studio.Screenshot("properties-dialog", facts);
  PostMessageA(facts, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(facts); }, 5000));

  const std::string saved = SaveAndRead(studio, path);
  EXPECT_NE(saved.find("<custom>&lt;owner&gt;qa&lt;/owner&gt;</custom>"), std::string::npos) << saved;
}

}  // namespace
}  // namespace plumo
