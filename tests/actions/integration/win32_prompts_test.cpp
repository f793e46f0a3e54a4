// The prompts as a person meets them: shown by the Win32 dialogs port (and by Plumo.exe -r),
// found from another thread by their captions, read and answered through window messages.
// With PLUMO_SCREENSHOTS set to a folder, each prompt is saved there as a .bmp.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

#include "actions/desktop/bmp_file.h"
#include "actions/integration/prompts/prompt_rules.h"
#include "fakes/wait_for.h"
#include "fakes/win32_built_program.h"
#include "fakes/win32_run_program.h"
#include "platform/win32/win32_desktop.h"
#include "platform/win32/win32_dialogs.h"

namespace plumo {
namespace {

HWND WaitForWindow(const std::string& caption, unsigned long ms = 10000) {
  HWND found = nullptr;
  WaitFor([&] { return (found = FindWindowA(nullptr, caption.c_str())) != nullptr && IsWindowVisible(found); }, ms);
  return found;
}

std::string TextOf(HWND h) {
  char buf[1024] = {};
  SendMessageA(h, WM_GETTEXT, sizeof(buf), reinterpret_cast<LPARAM>(buf));
  return buf;
}

struct ChildSearch {
  const char* cls;
  int n;
  HWND found;
};

BOOL CALLBACK MatchChild(HWND h, LPARAM lp) {
  auto* f = reinterpret_cast<ChildSearch*>(lp);
  char name[64] = {};
  GetClassNameA(h, name, sizeof(name));
  if (lstrcmpiA(name, f->cls) != 0 || f->n-- > 0) return TRUE;
  f->found = h;
  return FALSE;
}

// The n-th child of the class ("Button", "Edit", "Static", ...).
HWND Child(HWND dialog, const char* cls, int n = 0) {
  ChildSearch f{cls, n, nullptr};
  EnumChildWindows(dialog, MatchChild, reinterpret_cast<LPARAM>(&f));
  return f.found;
}

void Press(HWND dialog, int id) { PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

void Screenshot(HWND window, const char* name) {
  const char* dir = std::getenv("PLUMO_SCREENSHOTS");
  if (!dir || !window) return;
  Sleep(300);  // let it paint
  RECT r;
  GetWindowRect(window, &r);
  Win32Desktop desktop;
  OsError error;
  std::optional<Picture> shot = desktop.CaptureScreen({r.left, r.top, r.right, r.bottom}, false, &error);
  if (!shot) return;
  std::ofstream(std::string(dir) + "\\" + name + ".bmp", std::ios::binary) << WriteBmp(*shot);
}

// Shows the prompt on this thread while `answer` runs on another with the prompt's window.
template <class Show, class Answer>
auto WithAnswerer(const std::string& caption, Show show, Answer answer) {
  std::thread t([&] {
    HWND w = WaitForWindow(caption);
    if (w) answer(w);
  });
  auto result = show();
  t.join();
  return result;
}

EntryRequest Entry(EntryKind kind, const std::string& caption, const std::string& prompt) {
  EntryRequest r;
  r.kind = kind;
  r.caption = caption;
  r.prompt = prompt;
  return r;
}

TEST(Win32Prompts, MessageBoxesAnswerTheButtonPressed) {
  Win32Dialogs dialogs;
  const int answer = WithAnswerer(
      "Prompt Ask", [&] { return dialogs.ShowMessage("Delete the file?", "Prompt Ask", 0x10024); },
      [](HWND w) {
        Screenshot(w, "message_ask");
        std::string texts;  // the text's control has other ids on Windows and Wine
        for (int i = 0; HWND st = Child(w, "Static", i); ++i) texts += TextOf(st) + "|";
        EXPECT_NE(texts.find("Delete the file?|"), std::string::npos) << texts;
        Press(w, IDNO);
      });
  EXPECT_EQ(answer, IDNO);
}

TEST(Win32Prompts, ATimedMessageBoxClosesByItself) {
  Win32Dialogs dialogs;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(dialogs.ShowMessage("Closing in 2 s", "Prompt Timed", 0x10040, 2000), 0);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
  EXPECT_GE(ms, 1900);
  EXPECT_LT(ms, 10000);
}

// The catalogue's sample with a folder and a password in place of the list and the link, and
// back: every kind is seen by a test.
CustomRequest Custom(const std::string& caption, std::vector<std::pair<CustomKind, const char*>> slots) {
  CustomRequest r;
  r.caption = caption;
  for (auto [kind, text] : slots) r.controls.push_back(CustomControlOf(kind, text));
  return r;
}

TEST(Win32Prompts, CustomDialogsAnswerTheirFieldsAndButtons) {
  Win32Dialogs dialogs;
  const CustomRequest sample = Custom("Prompt Custom", {{CustomKind::kEdit, "Sample Edit:"},
                                                       {CustomKind::kCheckBox, "Sample Checkbox"},
                                                       {CustomKind::kButton, "Sample Button"},
                                                       {CustomKind::kList, "Sample List:\r\nOption A\r\nOption B\r\nOption C"},
                                                       {CustomKind::kLink, "<a href=\"http://example.com/\">This is a Sample Link</a>"}});
  CustomAnswer a = WithAnswerer("Prompt Custom", [&] { return dialogs.AskCustom(sample); }, [](HWND w) {
    Screenshot(w, "custom_sample");
    EXPECT_EQ(TextOf(GetDlgItem(w, 313)), "Sample List:");
    EXPECT_EQ(TextOf(GetDlgItem(w, 304)), "This is a Sample Link");
    SendMessageA(GetDlgItem(w, 300), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("typed"));
    SendMessageA(GetDlgItem(w, 301), BM_SETCHECK, BST_CHECKED, 0);
    SendMessageA(GetDlgItem(w, 303), LB_SETCURSEL, 1, 0);
    Press(w, IDOK);
  });
  EXPECT_EQ(a.pressed, IDOK);
  EXPECT_EQ(a.values, (std::vector<std::string>{"typed", "1", "", "Option B", ""}));

  a = WithAnswerer("Prompt Custom", [&] { return dialogs.AskCustom(sample); }, [](HWND w) { Press(w, kCustomButton + 3); });
  EXPECT_EQ(a.pressed, kCustomButton + 3);
  EXPECT_EQ(a.values[1], "0");

  const CustomRequest other = Custom("Prompt Custom 2", {{CustomKind::kLabel, "Where should the files go?"},
                                                         {CustomKind::kFolder, "Folder:"},
                                                         {CustomKind::kFile, "File:"},
                                                         {CustomKind::kPassword, "Password:"},
                                                         {CustomKind::kNone, ""}});
  a = WithAnswerer("Prompt Custom 2", [&] { return dialogs.AskCustom(other); }, [&](HWND w) {
    Screenshot(w, "custom_files");
    EXPECT_NE(GetWindowLongA(GetDlgItem(w, 303), GWL_STYLE) & ES_PASSWORD, 0);
    EXPECT_NE(GetDlgItem(w, 321), nullptr);  // the folder's browse button
    SendMessageA(GetDlgItem(w, 301), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("C:\\out"));
    dialogs.CancelPrompts();
  });
  EXPECT_EQ(a.pressed, 0);
  EXPECT_TRUE(a.values.empty());
}

TEST(Win32Prompts, CancelFromAnotherThreadClosesTheOpenPrompt) {
  Win32Dialogs dialogs;
  EXPECT_EQ(WithAnswerer("Prompt Stop", [&] { return dialogs.ShowMessage("Stop me", "Prompt Stop", 0x10024); },
                         [&](HWND) { dialogs.CancelPrompts(); }),
            0);
  const PromptAnswer a = WithAnswerer(
      "Prompt Stop Entry", [&] { return dialogs.AskEntry(Entry(EntryKind::kLine, "Prompt Stop Entry", "Value:")); },
      [&](HWND) { dialogs.CancelPrompts(); });
  EXPECT_FALSE(a.ok);
}

TEST(Win32Prompts, InputValueShowsItsPromptAndGivesWhatWasTyped) {
  Win32Dialogs dialogs;
  EntryRequest r = Entry(EntryKind::kLine, "Prompt Input", "\nPlease enter a value:");
  r.initial = "old value";
  long long shownAfterMs = -1;
  const auto start = std::chrono::steady_clock::now();
  const PromptAnswer a = WithAnswerer("Prompt Input", [&] { return dialogs.AskEntry(r); }, [&](HWND w) {
    shownAfterMs = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    Screenshot(w, "input_value");
    HWND edit = Child(w, "Edit");
    EXPECT_EQ(TextOf(edit), "old value");
    EXPECT_EQ(GetFocus(), nullptr);  // focus belongs to the dialog's thread, not ours
    EXPECT_EQ(TextOf(Child(w, "Static")), "\nPlease enter a value:");
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Hello Plumo"));
    Press(w, IDOK);
  });
  EXPECT_TRUE(a.ok);
  EXPECT_EQ(a.text, "Hello Plumo");
  std::printf("Input Value window found %lld ms after the call\n", shownAfterMs);
}

TEST(Win32Prompts, CancelAndTheTimeLimitGiveNoAnswer) {
  Win32Dialogs dialogs;
  EXPECT_FALSE(WithAnswerer("Prompt Cancel", [&] { return dialogs.AskEntry(Entry(EntryKind::kLine, "Prompt Cancel", "x")); },
                            [](HWND w) { Press(w, IDCANCEL); })
                   .ok);
  EntryRequest r = Entry(EntryKind::kMultiLine, "Prompt Limit", "Closes in a second");
  r.timeoutMs = 1000;
  EXPECT_FALSE(dialogs.AskEntry(r).ok);
}

TEST(Win32Prompts, ListsGiveTheChosenItems) {
  Win32Dialogs dialogs;
  EntryRequest r = Entry(EntryKind::kList, "Prompt List", "\nPlease choose from the list:");
  r.items = {"Red", "Green", "Blue"};
  PromptAnswer a = WithAnswerer("Prompt List", [&] { return dialogs.AskEntry(r); }, [](HWND w) {
    Screenshot(w, "select_from_list");
    HWND list = Child(w, "ListBox");
    EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 3);
    SendMessageA(list, LB_SETCURSEL, 1, 0);
    Press(w, IDOK);
  });
  EXPECT_EQ(a.text, "Green");

  r.kind = EntryKind::kMultiList;
  r.caption = "Prompt Multi List";
  a = WithAnswerer("Prompt Multi List", [&] { return dialogs.AskEntry(r); }, [](HWND w) {
    HWND list = Child(w, "ListBox");
    SendMessageA(list, LB_SETSEL, FALSE, -1);
    SendMessageA(list, LB_SETSEL, TRUE, 0);
    SendMessageA(list, LB_SETSEL, TRUE, 2);
    Screenshot(w, "select_from_list_multi");
    Press(w, IDOK);
  });
  EXPECT_EQ(a.text, "Red\nBlue");
}

TEST(Win32Prompts, LoginGivesUserAndPasswordWithThePasswordHidden) {
  Win32Dialogs dialogs;
  EntryRequest r = Entry(EntryKind::kLogin, "Prompt Login", "Please enter your user name and password");
  r.initial = "ann";
  const PromptAnswer a = WithAnswerer("Prompt Login", [&] { return dialogs.AskEntry(r); }, [](HWND w) {
    Screenshot(w, "login_prompt");
    HWND user = Child(w, "Edit", 0), password = Child(w, "Edit", 1);
    EXPECT_EQ(TextOf(user), "ann");
    EXPECT_NE(GetWindowLongA(password, GWL_STYLE) & ES_PASSWORD, 0);
    SendMessageA(password, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("s3cret"));
    Press(w, IDOK);
  });
  EXPECT_EQ(a.text, "ann;s3cret");
}

TEST(Win32Prompts, DatesAreChosenOnTheCalendar) {
  Win32Dialogs dialogs;
  EntryRequest r = Entry(EntryKind::kDate, "Prompt Date", "\nPick a date:");
  r.initial = "2026-03-04";
  r.flags = promptflag::k2x2;
  const PromptAnswer a = WithAnswerer("Prompt Date", [&] { return dialogs.AskEntry(r); }, [](HWND w) {
    Screenshot(w, "select_date");
    HWND calendar = Child(w, MONTHCAL_CLASSA);
    SYSTEMTIME t = {};
    SendMessageA(calendar, MCM_GETCURSEL, 0, reinterpret_cast<LPARAM>(&t));
    EXPECT_EQ(t.wYear * 10000 + t.wMonth * 100 + t.wDay, 20260304);
    t = {};
    t.wYear = 2026, t.wMonth = 3, t.wDay = 25;
    SendMessageA(calendar, MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&t));
    Press(w, IDOK);
  });
  EXPECT_EQ(a.text, "2026-03-25");
}

TEST(Win32Prompts, DrivesAreListedByTheDialog) {
  Win32Dialogs dialogs;
  EntryRequest r = Entry(EntryKind::kList, "Prompt Drive", "\nChoose a drive:");
  r.flags = promptflag::kDrives;
  const PromptAnswer a = WithAnswerer("Prompt Drive", [&] { return dialogs.AskEntry(r); }, [](HWND w) {
    Screenshot(w, "select_drive");
    Press(w, IDOK);
  });
  EXPECT_TRUE(a.ok);
  EXPECT_EQ(a.text.substr(1), ":\\");
}

TEST(Win32Prompts, LongPromptsAndBigListsStayUsable) {
  Win32Dialogs dialogs;
  std::string prompt;
  for (int i = 1; i <= 80; ++i) prompt += "Line " + std::to_string(i) + " of a long prompt that explains a great deal\n";
  EntryRequest r = Entry(EntryKind::kMultiLine, "Prompt Long", prompt);
  r.flags = promptflag::kCourier;
  r.initial = "first\nsecond";
  PromptAnswer a = WithAnswerer("Prompt Long", [&] { return dialogs.AskEntry(r); }, [](HWND w) {
    Screenshot(w, "input_multi_long_prompt");
    RECT rc;
    GetWindowRect(w, &rc);
    EXPECT_LE(rc.bottom - rc.top, GetSystemMetrics(SM_CYSCREEN));
    Press(w, IDOK);
  });
  EXPECT_EQ(a.text, "first\r\nsecond");

  r = Entry(EntryKind::kList, "Prompt Big List", "\nPick:");
  for (int i = 0; i < 100000; ++i) r.items.push_back("item " + std::to_string(i));
  a = WithAnswerer("Prompt Big List", [&] { return dialogs.AskEntry(r); }, [](HWND w) {
    HWND list = Child(w, "ListBox");
    EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 100000);
    SendMessageA(list, LB_SETCURSEL, 99999, 0);
    Press(w, IDOK);
  });
  EXPECT_EQ(a.text, "item 99999");
}

// Runs this thread's messages for a while: popups live on them.
void Pump(int ms) {
  const DWORD end = GetTickCount() + static_cast<DWORD>(ms);
  MSG msg;
  while (static_cast<int>(end - GetTickCount()) > 0) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    Sleep(10);
  }
}

TEST(Win32Prompts, PopupsStayUpUpdateAndGo) {
  Win32Dialogs dialogs;
  PopupRequest r;
  r.kind = PopupKind::kProgress;
  r.caption = "Prompt Progress";
  r.text = "40% Complete";
  r.percent = 40;
  dialogs.ShowPopup(r);  // returns at once
  HWND progress = FindWindowA("PlumoPopup", "Prompt Progress");
  ASSERT_NE(progress, nullptr);
  Screenshot(progress, "progress_popup");
  EXPECT_EQ(SendMessageA(Child(progress, PROGRESS_CLASSA), PBM_GETPOS, 0, 0), 40);
  r.text = "80% Complete";
  r.percent = 80;
  dialogs.ShowPopup(r);
  EXPECT_EQ(FindWindowA("PlumoPopup", "Prompt Progress"), progress);  // the same window, updated
  EXPECT_EQ(SendMessageA(Child(progress, PROGRESS_CLASSA), PBM_GETPOS, 0, 0), 80);

  PopupRequest status;
  status.caption = "Prompt Status";
  status.text = "Copying 12 files to the backup folder...";
  status.timeoutMs = 800;
  dialogs.ShowPopup(status);
  Screenshot(FindWindowA("PlumoPopup", "Prompt Status"), "status_popup");
  Pump(1500);
  EXPECT_EQ(FindWindowA("PlumoPopup", "Prompt Status"), nullptr);  // its time ran out

  PopupRequest message;
  message.kind = PopupKind::kScreenMessage;
  message.caption = "Prompt Screen";
  message.text = "The backup has finished";
  message.centerText = true;
  dialogs.ShowPopup(message);
  Screenshot(FindWindowA("PlumoPopup", "Prompt Screen"), "screen_message");
  dialogs.ClosePopups();
  EXPECT_EQ(FindWindowA("PlumoPopup", "Prompt Screen"), nullptr);
  EXPECT_EQ(FindWindowA("PlumoPopup", "Prompt Progress"), nullptr);
}

TEST(Win32Prompts, ImagesAreShownTheRightWayUpAtTheirZoom) {
  Win32Dialogs dialogs;
  PopupRequest r;
  r.kind = PopupKind::kImage;
  r.caption = "Prompt Image";
  r.picture = Picture::Allocate(40, 20);
  ASSERT_TRUE(r.picture);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 40; ++x) r.picture->Row(y)[x] = y < 10 ? 0xFF0000 : 0x0000FF;  // red above blue
  r.zoomPercent = 200;
  dialogs.ShowPopup(r);
  HWND image = FindWindowA("PlumoPopup", "Prompt Image");
  ASSERT_NE(image, nullptr);
  Pump(300);
  RECT client;
  GetClientRect(image, &client);
  EXPECT_EQ(client.right * 1000 + client.bottom, 80040);
  POINT top{40, 5}, bottom{40, 35};
  ClientToScreen(image, &top);
  ClientToScreen(image, &bottom);
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(GetPixel(screen, top.x, top.y), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(screen, bottom.x, bottom.y), RGB(0, 0, 255));
  ReleaseDC(nullptr, screen);
  dialogs.ClosePopup(PopupKind::kImage);
  EXPECT_EQ(FindWindowA("PlumoPopup", "Prompt Image"), nullptr);
}

// ---- Plumo.exe -r ---------------------------------------------------------------------------

std::string WriteScript(const char* name, const std::string& steps) {
  char dir[MAX_PATH];
  GetTempPathA(MAX_PATH, dir);
  const std::string path = std::string(dir) + name;
  std::ofstream(path, std::ios::binary) << "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<Plumo>\r\n" << steps
                                        << "</Plumo>\r\n";
  return path;
}

TEST(Win32Prompts, PlumoRunsPromptsAndTheScriptSeesTheAnswers) {
  const std::string script = WriteScript(
      "plumo_prompts_e2e.vxm",
      "<step><action>Input Value</action><text>Your name?</text><value1>E2E Input</value1>"
      "<output value=\"%name\">Variable</output></step>\r\n"
      "<step><action>Write to Output</action><text>OUT: name=%name id={command_id} cmd={command}</text></step>\r\n"
      "<step><action>Ask Yes/No Question</action><text>Go on?</text><value1>E2E Ask</value1>"
      "<output value=\"%yes\">Variable</output></step>\r\n"
      "<step><action>Write to Output</action><text>OUT: yes=%yes id={command_id}</text></step>\r\n"
      "<step><action>Select from List</action><text>Pick:;Red;Green;Blue</text><value1>E2E List</value1>"
      "<output value=\"%colour\">Variable</output></step>\r\n"
      "<step><action>Write to Output</action><text>OUT: colour=%colour</text></step>\r\n"
      "<step><action>Display Message</action><text>Gone in 2 s</text><value1>E2E Timed</value1><timeout>2</timeout></step>\r\n"
      "<step><action>Input Value</action><text>Cancel me</text><value1>E2E Cancel</value1>"
      "<output value=\"%name\">Variable</output></step>\r\n"
      "<step><action>Write to Output</action><text>OUT: after cancel name=%name id={command_id} cmd={command}</text></step>\r\n"
      "<step><action>Custom Dialog</action><text>Code:|Keep|Skip ahead: later</text><value1>E2E Custom</value1>"
      "<value2>EDIT</value2><value3>CHECKBOX</value3><value4>BUTTON</value4><output value=\"%form\">Variable</output></step>\r\n"
      "<step><action>Write to Output</action><text>OUT: not skipped</text></step>\r\n"
      "<step><action>Label</action><text>later</text></step>\r\n"
      "<step><action>Write to Output</action><text>OUT: form=%form id={command_id} cmd={command}</text></step>\r\n");
  std::atomic<bool> timedSeen{false};
  std::thread answerer([&] {
    if (HWND w = WaitForWindow("E2E Input", 30000)) {
      SendMessageA(Child(w, "Edit"), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Ann"));
      Press(w, IDOK);
    }
    if (HWND w = WaitForWindow("E2E Ask")) Press(w, IDNO);
    if (HWND w = WaitForWindow("E2E List")) {
      SendMessageA(Child(w, "ListBox"), LB_SETCURSEL, 1, 0);
      Press(w, IDOK);
    }
    timedSeen = WaitForWindow("E2E Timed") != nullptr;
    if (HWND w = WaitForWindow("E2E Cancel")) Press(w, IDCANCEL);
    if (HWND w = WaitForWindow("E2E Custom")) {
      SendMessageA(GetDlgItem(w, 300), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("42"));
      SendMessageA(GetDlgItem(w, 301), BM_SETCHECK, BST_CHECKED, 0);
      Press(w, kCustomButton + 3);
    }
  });
  const ProgramOutcome run = RunProgram("\"" + BuiltProgramPath("Plumo.exe") + "\" -L -r \"" + script + "\"", 90000);
  answerer.join();
  const std::string out = Lf(run.out);
  EXPECT_NE(out.find("OUT: name=Ann id=1 cmd=OK"), std::string::npos) << out;
  EXPECT_NE(out.find("OUT: yes=0 id=7"), std::string::npos) << out;
  EXPECT_NE(out.find("OUT: colour=Green"), std::string::npos) << out;
  EXPECT_TRUE(timedSeen);
  EXPECT_NE(out.find("2 second(s) allowed for message to close"), std::string::npos) << out;
  EXPECT_NE(out.find("OUT: after cancel name=Ann id=0 cmd=Cancel"), std::string::npos) << out;
  // One line per slot: "42", "1" and the button's empty one (the output shows CR as a space).
  EXPECT_NE(out.find("OUT: form=42 \n1 \n id=103 cmd=Skip ahead"), std::string::npos) << out;
  EXPECT_EQ(out.find("OUT: not skipped"), std::string::npos) << out;
  DeleteFileA(script.c_str());
}

}  // namespace
}  // namespace plumo
