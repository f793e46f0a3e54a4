#include "platform/win32/win32_dialogs.h"

#include <commctrl.h>
#include <commdlg.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace plumo {
namespace {

constexpr UINT kCancelMsg = WM_APP + 0x322;
constexpr UINT_PTR kLimitTimer = 1;
constexpr char kHelperClass[] = "PlumoPromptHelper";

// How a helper ends its prompt: a message box with the answer 0, our own dialogs and the
// common dialogs as if Cancel was pressed.
enum class EndBy { kAnswerZero, kCancelButton };

struct HelperState {
  HWND target = nullptr;
  EndBy how = EndBy::kCancelButton;
};

void EndPrompt(HelperState* state) {
  if (!state || !state->target || !IsWindow(state->target)) return;
  if (state->how == EndBy::kAnswerZero) EndDialog(state->target, 0);
  else PostMessageA(state->target, WM_COMMAND, IDCANCEL, 0);
}

LRESULT CALLBACK HelperProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* state = reinterpret_cast<HelperState*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (msg == WM_TIMER && wp == kLimitTimer) {
    KillTimer(hwnd, kLimitTimer);
    EndPrompt(state);
    return 0;
  }
  if (msg == kCancelMsg) {
    EndPrompt(state);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

// A hidden window on the prompt's thread that ends the prompt on time-out or when asked.
class PromptHelper {
 public:
  PromptHelper(Win32Dialogs& dialogs, EndBy how, uint32_t timeoutMs) : dialogs_(dialogs) {
    state.how = how;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = HelperProc;
    wc.hInstance = Instance();
    wc.lpszClassName = kHelperClass;
    RegisterClassA(&wc);  // fails harmlessly when registered
    hwnd = CreateWindowExA(WS_EX_TOOLWINDOW, kHelperClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, Instance(), nullptr);
    if (!hwnd) return;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&state));
    if (timeoutMs) SetTimer(hwnd, kLimitTimer, timeoutMs, nullptr);
    dialogs_.Opened(hwnd);
  }
  ~PromptHelper() {
    if (!hwnd) return;
    dialogs_.Closed(hwnd);
    KillTimer(hwnd, kLimitTimer);
    DestroyWindow(hwnd);
  }
  PromptHelper(const PromptHelper&) = delete;
  PromptHelper& operator=(const PromptHelper&) = delete;

  HWND hwnd = nullptr;
  HelperState state;

 private:
  Win32Dialogs& dialogs_;
};

// Catches the first window the prompt call activates on this thread (a message box, a common
// dialog), so that its helper can end it.
thread_local HelperState* t_capture = nullptr;

LRESULT CALLBACK CaptureProc(int code, WPARAM wp, LPARAM lp) {
  if (code == HCBT_ACTIVATE && t_capture && !t_capture->target) t_capture->target = reinterpret_cast<HWND>(wp);
  return CallNextHookEx(nullptr, code, wp, lp);
}

class CaptureFirstWindow {
 public:
  explicit CaptureFirstWindow(HelperState* state) {
    t_capture = state;
    hook_ = SetWindowsHookExA(WH_CBT, CaptureProc, nullptr, GetCurrentThreadId());
  }
  ~CaptureFirstWindow() {
    if (hook_) UnhookWindowsHookEx(hook_);
    t_capture = nullptr;
  }
  CaptureFirstWindow(const CaptureFirstWindow&) = delete;
  CaptureFirstWindow& operator=(const CaptureFirstWindow&) = delete;

 private:
  HHOOK hook_ = nullptr;
};

HWND OwnerOf(uint32_t owner) { return owner ? reinterpret_cast<HWND>(static_cast<uintptr_t>(owner)) : nullptr; }

std::string WindowText(HWND hwnd) {
  const int n = GetWindowTextLengthA(hwnd);
  std::string text(static_cast<size_t>(std::max(n, 0)) + 1, '\0');
  const int got = GetWindowTextA(hwnd, text.data(), n + 1);
  text.resize(static_cast<size_t>(std::max(got, 0)));
  return text;
}

std::string WithCrLf(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out.push_back('\r');
    out.push_back(text[i]);
  }
  return out;
}

// ---- Entry dialogs ----------------------------------------------------------------------------

enum ControlId : int { kPromptId = 100, kEditId, kPasswordId, kUserLabelId, kPasswordLabelId, kListId, kCalendarId };

// Size choices: how many times the normal width and height ("AxB": A across, B down).
struct SizeChoice {
  uint32_t flag;
  int across, down;
};
constexpr SizeChoice kSizeChoices[] = {{promptflag::k1x2, 1, 2}, {promptflag::k2x1, 2, 1}, {promptflag::k2x2, 2, 2},
                                       {promptflag::k2x3, 2, 3}, {promptflag::k3x4, 3, 4}};

// What our own dialogs build with: dialog units, and child controls in the dialog's font.
struct DialogParts {
  HWND dialog = nullptr;
  HFONT font = nullptr;

  int Du(int x, bool vertical = false) const {
    RECT r{0, 0, vertical ? 0 : x, vertical ? x : 0};
    MapDialogRect(dialog, &r);
    return vertical ? r.bottom : r.right;
  }
  HWND Add(const char* cls, const char* text, DWORD style, int id, DWORD exStyle = 0, HFONT f = nullptr) const {
    HWND h = CreateWindowExA(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10, dialog,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Instance(), nullptr);
    SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(f ? f : font), FALSE);
    return h;
  }
  // The text's size in the dialog's font: wrapped to `width`, or on one line when it is 0.
  SIZE TextSize(const std::string& text, int width) const {
    HDC dc = GetDC(dialog);
    HGDIOBJ old = SelectObject(dc, font);
    RECT r{0, 0, width, 0};
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r,
              DT_CALCRECT | DT_EXPANDTABS | DT_NOPREFIX | (width ? DT_WORDBREAK : DT_SINGLELINE));
    SelectObject(dc, old);
    ReleaseDC(dialog, dc);
    return {r.right, r.bottom};
  }
  // The dialog sized around a client area of that size and centred in the work area; the
  // window's size.
  SIZE PlaceCentred(int clientW, int clientH, bool topmost) const {
    RECT frame{0, 0, clientW, clientH};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongA(dialog, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongA(dialog, GWL_EXSTYLE)));
    const int w = frame.right - frame.left, h = frame.bottom - frame.top;
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const int x = work.left + std::max(0, static_cast<int>((work.right - work.left - w) / 2));
    const int y = work.top + std::max(0, static_cast<int>((work.bottom - work.top - h) / 2));
    SetWindowPos(dialog, topmost ? HWND_TOPMOST : nullptr, x, y, w, h, topmost ? 0 : SWP_NOZORDER);
    return {w, h};
  }
};

struct EntryDialog : DialogParts {
  EntryDialog(const EntryRequest& r, HelperState& h) : request(r), helper(h), items(r.items) {}
  const EntryRequest& request;
  HelperState& helper;
  std::vector<std::string> items;
  int across = 1, down = 1;
  HFONT courier = nullptr;
  HWND prompt = nullptr, edit = nullptr, password = nullptr, userLabel = nullptr,
       passwordLabel = nullptr, list = nullptr, calendar = nullptr, ok = nullptr, cancel = nullptr;
  SIZE minTrack{0, 0};
  SIZE calendarMonth{0, 0};
  PromptAnswer answer;

  ~EntryDialog() {
    if (courier) DeleteObject(courier);
  }

  // The prompt's height when wrapped to `width`.
  int PromptHeight(int width) const { return request.prompt.empty() ? 0 : static_cast<int>(TextSize(request.prompt, width).cy); }

  // The controls' area at its normal size.
  int NormalAreaHeight() const {
    switch (request.kind) {
      case EntryKind::kLine: return Du(12, true);
      case EntryKind::kMultiLine: return Du(72, true) * down;
      case EntryKind::kLogin: return Du(12, true) * 2 + Du(4, true);
      case EntryKind::kList:
      case EntryKind::kMultiList: return Du(84, true) * down;
      case EntryKind::kDate: return CalendarHeight();
    }
    return 0;
  }

  // Months side by side and one above the other, with the calendar's own spacing between them.
  int CalendarWidth() const { return static_cast<int>(calendarMonth.cx) * across + Du(6) * (across - 1); }
  int CalendarHeight() const { return static_cast<int>(calendarMonth.cy) * down + Du(6, true) * (down - 1); }

  int PromptCap() const { return GetSystemMetrics(SM_CYSCREEN) / 2; }

  void Layout() {
    RECT client;
    GetClientRect(dialog, &client);
    const int m = Du(7), mv = Du(7, true), gap = Du(4, true);
    const int bw = Du(50), bh = Du(14, true);
    const int width = client.right - 2 * m;
    const int promptH = std::min(PromptHeight(width), PromptCap());
    int y = mv;
    if (prompt) {
      MoveWindow(prompt, m, y, width, promptH, TRUE);
      y += promptH + gap;
    }
    const int buttonsTop = client.bottom - mv - bh;
    const int areaH = std::max(buttonsTop - gap - y, Du(12, true));
    switch (request.kind) {
      case EntryKind::kLogin: {
        const int labelW = Du(46), rowH = Du(12, true), labelDrop = Du(2, true);
        MoveWindow(userLabel, m, y + labelDrop, labelW, rowH, TRUE);
        MoveWindow(edit, m + labelW, y, width - labelW, rowH, TRUE);
        y += rowH + gap;
        MoveWindow(passwordLabel, m, y + labelDrop, labelW, rowH, TRUE);
        MoveWindow(password, m + labelW, y, width - labelW, rowH, TRUE);
        break;
      }
      case EntryKind::kLine: MoveWindow(edit, m, y, width, Du(12, true), TRUE); break;
      case EntryKind::kMultiLine: MoveWindow(edit, m, y, width, areaH, TRUE); break;
      case EntryKind::kList:
      case EntryKind::kMultiList: MoveWindow(list, m, y, width, areaH, TRUE); break;
      case EntryKind::kDate: {
        const int cw = CalendarWidth(), ch = CalendarHeight();
        MoveWindow(calendar, m + std::max(0, (width - cw) / 2), y, cw, ch, TRUE);
        break;
      }
    }
    MoveWindow(cancel, client.right - m - bw, buttonsTop, bw, bh, TRUE);
    MoveWindow(ok, client.right - m - 2 * bw - Du(4), buttonsTop, bw, bh, TRUE);
  }

  void Create() {
    for (const SizeChoice& c : kSizeChoices)
      if (request.flags & c.flag) across = c.across, down = c.down;
    font = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    if (request.flags & promptflag::kCourier) {
      LOGFONTA lf = {};
      GetObjectA(font, sizeof(lf), &lf);
      lstrcpynA(lf.lfFaceName, "Courier New", LF_FACESIZE);
      lf.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
      courier = CreateFontIndirectA(&lf);
    }
    SetWindowTextA(dialog, request.caption.c_str());

    const int normalWidth = Du(220) * (request.kind == EntryKind::kDate ? 1 : across);
    const int promptWidth = normalWidth - 2 * Du(7);
    if (!request.prompt.empty()) {
      // A prompt taller than half the screen scrolls in a read-only edit.
      if (PromptHeight(promptWidth) > PromptCap())
        prompt = Add("EDIT", WithCrLf(request.prompt).c_str(), ES_MULTILINE | ES_READONLY | WS_VSCROLL, kPromptId);
      else
        prompt = Add("STATIC", request.prompt.c_str(), SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL, kPromptId);
    }
    HFONT fieldFont = courier ? courier : font;
    switch (request.kind) {
      case EntryKind::kLogin:
        userLabel = Add("STATIC", "&User name:", SS_LEFT, kUserLabelId);
        edit = Add("EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL, kEditId, WS_EX_CLIENTEDGE);
        passwordLabel = Add("STATIC", "&Password:", SS_LEFT, kPasswordLabelId);
        password = Add("EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL | ES_PASSWORD, kPasswordId, WS_EX_CLIENTEDGE);
        break;
      case EntryKind::kLine:
      case EntryKind::kMultiLine: {
        const bool multi = request.kind == EntryKind::kMultiLine;
        const DWORD style = WS_TABSTOP | (multi ? ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL : ES_AUTOHSCROLL);
        edit = Add("EDIT", "", style, kEditId, WS_EX_CLIENTEDGE);
        SendMessageA(edit, EM_SETLIMITTEXT, static_cast<WPARAM>(request.maxAnswer), 0);
        break;
      }
      case EntryKind::kList:
      case EntryKind::kMultiList: {
        const DWORD style = WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT |
                            (request.kind == EntryKind::kMultiList ? LBS_EXTENDEDSEL : 0);
        list = Add("LISTBOX", "", style, kListId, WS_EX_CLIENTEDGE);
        SendMessageA(list, WM_SETREDRAW, FALSE, 0);
        SendMessageA(list, LB_INITSTORAGE, items.size(), items.size() * 16);
        int chosen = 0;
        for (size_t i = 0; i < items.size(); ++i) {
          SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(items[i].c_str()));
          if (items[i] == request.initial) chosen = static_cast<int>(i);
        }
        SendMessageA(list, WM_SETREDRAW, TRUE, 0);
        if (!items.empty()) {
          if (request.kind == EntryKind::kMultiList) SendMessageA(list, LB_SETSEL, TRUE, chosen);
          SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(chosen), 0);
        }
        break;
      }
      case EntryKind::kDate: {
        calendar = Add(MONTHCAL_CLASSA, "", WS_TABSTOP | WS_BORDER, kCalendarId);
        RECT r{};
        SendMessageA(calendar, MCM_GETMINREQRECT, 0, reinterpret_cast<LPARAM>(&r));
        calendarMonth = {std::max<LONG>(r.right, 100), std::max<LONG>(r.bottom, 100)};
        SYSTEMTIME t = {};
        if (std::sscanf(request.initial.c_str(), "%4hu-%2hu-%2hu", &t.wYear, &t.wMonth, &t.wDay) == 3)
          SendMessageA(calendar, MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&t));
        break;
      }
    }
    for (HWND field : {edit, password, list})
      if (field) SendMessageA(field, WM_SETFONT, reinterpret_cast<WPARAM>(fieldFont), FALSE);
    ok = Add("BUTTON", "OK", WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK);
    cancel = Add("BUTTON", "Cancel", WS_TABSTOP | BS_PUSHBUTTON, IDCANCEL);

    // The client size at the normal layout, then the window around it, centred.
    const int m = Du(7), mv = Du(7, true), gap = Du(4, true);
    int clientW = normalWidth;
    if (request.kind == EntryKind::kDate) clientW = std::max(clientW, CalendarWidth() + 2 * m);
    const int promptH = prompt ? std::min(PromptHeight(clientW - 2 * m), PromptCap()) + gap : 0;
    const int clientH = mv + promptH + NormalAreaHeight() + gap + Du(14, true) + mv;
    minTrack = PlaceCentred(clientW, clientH, request.flags & promptflag::kTopmost);
    Layout();
    // Only now: an edit given its text while still tiny keeps it scrolled out of sight.
    if (edit) SetWindowTextA(edit, (request.kind == EntryKind::kMultiLine ? WithCrLf(request.initial) : request.initial).c_str());
  }

  HWND FirstField() const {
    if (edit) return edit;
    if (list) return list;
    return calendar;
  }

  void Collect() {
    answer.ok = true;
    switch (request.kind) {
      case EntryKind::kLogin: answer.text = WindowText(edit) + ";" + WindowText(password); break;
      case EntryKind::kLine:
      case EntryKind::kMultiLine: answer.text = WindowText(edit); break;
      case EntryKind::kList: {
        const LRESULT i = SendMessageA(list, LB_GETCURSEL, 0, 0);
        if (i >= 0 && static_cast<size_t>(i) < items.size()) answer.text = items[static_cast<size_t>(i)];
        break;
      }
      case EntryKind::kMultiList: {
        const LRESULT n = SendMessageA(list, LB_GETSELCOUNT, 0, 0);
        std::vector<int> chosen(static_cast<size_t>(std::max<LRESULT>(n, 0)));
        if (n > 0) SendMessageA(list, LB_GETSELITEMS, static_cast<WPARAM>(n), reinterpret_cast<LPARAM>(chosen.data()));
        for (int i : chosen) {
          if (i < 0 || static_cast<size_t>(i) >= items.size()) continue;
          if (!answer.text.empty()) answer.text.push_back('\n');
          answer.text += items[static_cast<size_t>(i)];
        }
        break;
      }
      case EntryKind::kDate: {
        SYSTEMTIME t = {};
        SendMessageA(calendar, MCM_GETCURSEL, 0, reinterpret_cast<LPARAM>(&t));
        char buf[16];
        std::snprintf(buf, sizeof(buf), "%04u-%02u-%02u", t.wYear, t.wMonth, t.wDay);
        answer.text = buf;
        break;
      }
    }
  }
};

INT_PTR CALLBACK EntryProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* d = reinterpret_cast<EntryDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG: {
      d = reinterpret_cast<EntryDialog*>(lp);
      SetWindowLongPtrA(hwnd, DWLP_USER, lp);
      d->dialog = hwnd;
      d->helper.target = hwnd;
      d->Create();
      SetForegroundWindow(hwnd);
      HWND first = d->FirstField();
      SetFocus(first);
      if (first == d->edit) SendMessageA(first, EM_SETSEL, 0, -1);
      return FALSE;  // the focus is set
    }
    case WM_SIZE:
      if (d) d->Layout();
      return TRUE;
    case WM_GETMINMAXINFO:
      if (d && d->minTrack.cx) {
        auto* info = reinterpret_cast<MINMAXINFO*>(lp);
        info->ptMinTrackSize = {d->minTrack.cx, d->minTrack.cy};
      }
      return TRUE;
    case WM_COMMAND:
      if (!d) return FALSE;
      if (LOWORD(wp) == IDOK || (LOWORD(wp) == kListId && HIWORD(wp) == LBN_DBLCLK && d->request.kind == EntryKind::kList)) {
        d->Collect();
        EndDialog(hwnd, IDOK);
        return TRUE;
      }
      if (LOWORD(wp) == IDCANCEL) {
        EndDialog(hwnd, IDCANCEL);
        return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}

// An empty dialog template in the shell's dialog font; the controls are made at WM_INITDIALOG.
std::vector<WORD> EmptyTemplate(bool fixedSize) {
  std::vector<WORD> t(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
  auto* dt = reinterpret_cast<DLGTEMPLATE*>(t.data());
  dt->style = DS_SHELLFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | (fixedSize ? 0 : WS_THICKFRAME);
  dt->cx = 100;
  dt->cy = 50;
  t.insert(t.end(), {0, 0, 0, 8});  // no menu, default class, empty title, 8 points
  for (const char* c = "MS Shell Dlg"; *c; ++c) t.push_back(static_cast<WORD>(*c));
  t.push_back(0);
  return t;
}

std::vector<std::string> DriveRoots(bool fixedOnly) {
  std::vector<std::string> roots;
  char buf[512] = {};
  const DWORD n = GetLogicalDriveStringsA(sizeof(buf) - 1, buf);
  for (const char* at = buf; n && n < sizeof(buf) && *at; at += std::strlen(at) + 1)
    if (!fixedOnly || GetDriveTypeA(at) == DRIVE_FIXED) roots.emplace_back(at);
  return roots;
}

// ---- Custom dialogs -------------------------------------------------------------------------------

// A slot's controls: its field (or the control itself), its label and its browse button.
constexpr int kCustomFieldId = 300, kCustomLabelId = 310, kCustomBrowseId = 320;

struct CustomDialog : DialogParts {
  CustomDialog(Win32Dialogs& d, const CustomRequest& r, HelperState& h) : dialogs(d), request(r), helper(h) {}
  Win32Dialogs& dialogs;
  const CustomRequest& request;
  HelperState& helper;
  HFONT linkFont = nullptr;
  std::vector<HWND> fields, labels, browse;
  CustomAnswer answer;

  ~CustomDialog() {
    if (linkFont) DeleteObject(linkFont);
  }

  static bool HasLabel(CustomKind k) {
    return k == CustomKind::kEdit || k == CustomKind::kPassword || k == CustomKind::kList || k == CustomKind::kFile ||
           k == CustomKind::kFolder;
  }
  bool IsLink(HWND h) const {
    for (size_t n = 0; n < fields.size(); ++n)
      if (fields[n] == h && request.controls[n].kind == CustomKind::kLink) return true;
    return false;
  }

  // Rows top to bottom: labels in a column of their own on the left, fields beside them.
  void Create() {
    font = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    LOGFONTA lf = {};
    GetObjectA(font, sizeof(lf), &lf);
    lf.lfUnderline = TRUE;
    linkFont = CreateFontIndirectA(&lf);
    SetWindowTextA(dialog, request.caption.c_str());
    const int m = Du(7), mv = Du(7, true), gap = Du(5, true), clientW = Du(260), width = clientW - 2 * m;
    int labelW = 0;
    for (const CustomControl& c : request.controls)
      if (HasLabel(c.kind)) labelW = std::max<int>(labelW, TextSize(c.text, 0).cx);
    labelW = labelW ? std::clamp(labelW + Du(4), Du(40), width * 2 / 5) : 0;
    const int fieldX = m + labelW, fieldW = width - labelW, rowH = Du(12, true), drop = Du(2, true);
    int y = mv;
    fields.assign(request.controls.size(), nullptr);
    labels.assign(request.controls.size(), nullptr);
    browse.assign(request.controls.size(), nullptr);
    for (size_t n = 0; n < request.controls.size(); ++n) {
      const CustomControl& c = request.controls[n];
      const int id = static_cast<int>(n);
      if (c.kind == CustomKind::kNone) continue;
      if (HasLabel(c.kind)) {
        labels[n] = Add("STATIC", c.text.c_str(), SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, kCustomLabelId + id);
        MoveWindow(labels[n], m, y + drop, labelW - Du(4), rowH, FALSE);
      }
      HWND& f = fields[n];
      switch (c.kind) {
        case CustomKind::kLabel: {
          const int h = std::min<int>(TextSize(c.text, width).cy, GetSystemMetrics(SM_CYSCREEN) / 3);
          f = Add("STATIC", c.text.c_str(), SS_LEFT | SS_NOPREFIX, kCustomFieldId + id);
          MoveWindow(f, m, y, width, h, FALSE);
          y += h;
          break;
        }
        case CustomKind::kLink:
          f = Add("STATIC", c.text.c_str(), SS_LEFT | SS_NOPREFIX | SS_NOTIFY, kCustomFieldId + id, 0, linkFont);
          MoveWindow(f, m, y, std::min<int>(TextSize(c.text, 0).cx + 2, width), rowH, FALSE);
          y += rowH;
          break;
        case CustomKind::kEdit:
        case CustomKind::kPassword:
          f = Add("EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL | (c.kind == CustomKind::kPassword ? ES_PASSWORD : 0), kCustomFieldId + id, WS_EX_CLIENTEDGE);
          MoveWindow(f, fieldX, y, fieldW, rowH, FALSE);
          y += rowH;
          break;
        case CustomKind::kFile:
        case CustomKind::kFolder: {
          const int bw = Du(16);
          f = Add("EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL, kCustomFieldId + id, WS_EX_CLIENTEDGE);
          MoveWindow(f, fieldX, y, fieldW - bw - Du(3), rowH, FALSE);
          browse[n] = Add("BUTTON", "...", WS_TABSTOP | BS_PUSHBUTTON, kCustomBrowseId + id);
          MoveWindow(browse[n], fieldX + fieldW - bw, y, bw, rowH, FALSE);
          y += rowH;
          break;
        }
        case CustomKind::kCheckBox: {
          const int x = labelW ? fieldX : m;
          f = Add("BUTTON", c.text.c_str(), WS_TABSTOP | BS_AUTOCHECKBOX, kCustomFieldId + id);
          MoveWindow(f, x, y, width - (x - m), Du(10, true), FALSE);
          y += Du(10, true);
          break;
        }
        case CustomKind::kButton: {
          const int x = labelW ? fieldX : m;
          f = Add("BUTTON", c.text.c_str(), WS_TABSTOP | BS_PUSHBUTTON, kCustomButton + id + 1);
          MoveWindow(f, x, y, std::min<int>(std::max<int>(Du(50), TextSize(c.text, 0).cx + Du(12)), width - (x - m)), Du(14, true), FALSE);
          y += Du(14, true);
          break;
        }
        case CustomKind::kList: {
          const int h = Du(52, true);
          f = Add("LISTBOX", "", WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, kCustomFieldId + id, WS_EX_CLIENTEDGE);
          SendMessageA(f, WM_SETREDRAW, FALSE, 0);
          for (const std::string& item : c.items) SendMessageA(f, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
          SendMessageA(f, WM_SETREDRAW, TRUE, 0);
          if (!c.items.empty()) SendMessageA(f, LB_SETCURSEL, 0, 0);
          MoveWindow(f, fieldX, y, fieldW, h, FALSE);
          y += h;
          break;
        }
        case CustomKind::kNone: break;
      }
      y += gap;
    }
    const int bw = Du(50), bh = Du(14, true);
    y = std::max(y + Du(2, true), mv + Du(20, true));
    MoveWindow(Add("BUTTON", "OK", WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK), clientW - m - 2 * bw - Du(4), y, bw, bh, FALSE);
    MoveWindow(Add("BUTTON", "Cancel", WS_TABSTOP | BS_PUSHBUTTON, IDCANCEL), clientW - m - bw, y, bw, bh, FALSE);
    PlaceCentred(clientW, y + bh + mv, request.topmost);
  }

  HWND FirstField() const {
    for (size_t n = 0; n < fields.size(); ++n)
      if (fields[n] && request.controls[n].kind != CustomKind::kLabel && request.controls[n].kind != CustomKind::kLink) return fields[n];
    return GetDlgItem(dialog, IDOK);
  }

  void Collect(int pressed) {
    answer.pressed = pressed;
    answer.values.clear();
    for (size_t n = 0; n < request.controls.size(); ++n) {
      const CustomControl& c = request.controls[n];
      std::string value;
      switch (c.kind) {
        case CustomKind::kEdit:
        case CustomKind::kPassword:
        case CustomKind::kFile:
        case CustomKind::kFolder: value = WindowText(fields[n]); break;
        case CustomKind::kCheckBox: value = SendMessageA(fields[n], BM_GETCHECK, 0, 0) == BST_CHECKED ? "1" : "0"; break;
        case CustomKind::kList: {
          const LRESULT i = SendMessageA(fields[n], LB_GETCURSEL, 0, 0);
          if (i >= 0 && static_cast<size_t>(i) < c.items.size()) value = c.items[static_cast<size_t>(i)];
          break;
        }
        default: break;
      }
      answer.values.push_back(std::move(value));
    }
  }

  // The browse button of slot n: a file or folder chooser starting at what the field holds.
  void Browse(size_t n) {
    FileRequest r;
    r.kind = request.controls[n].kind == CustomKind::kFolder ? FileKind::kFolder : FileKind::kOpen;
    r.caption = request.controls[n].text;
    r.initial = WindowText(fields[n]);
    r.owner = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(dialog));
    const PromptAnswer chosen = dialogs.AskFile(r);
    if (chosen.ok) SetWindowTextA(fields[n], chosen.text.c_str());
  }
};

// The system's hot-tracking colour, unless it is hard to read on the dialog (Wine's default
// theme makes it light grey): then the usual link blue.
COLORREF LinkColour() {
  auto light = [](COLORREF c) { return (GetRValue(c) * 299 + GetGValue(c) * 587 + GetBValue(c) * 114) / 1000; };
  const COLORREF hot = GetSysColor(COLOR_HOTLIGHT);
  return std::abs(light(hot) - light(GetSysColor(COLOR_BTNFACE))) < 100 ? RGB(0, 102, 204) : hot;
}

INT_PTR CALLBACK CustomProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* d = reinterpret_cast<CustomDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG: {
      d = reinterpret_cast<CustomDialog*>(lp);
      SetWindowLongPtrA(hwnd, DWLP_USER, lp);
      d->dialog = hwnd;
      d->helper.target = hwnd;
      d->Create();
      SetForegroundWindow(hwnd);
      SetFocus(d->FirstField());
      return FALSE;  // the focus is set
    }
    case WM_CTLCOLORSTATIC:
      if (d && d->IsLink(reinterpret_cast<HWND>(lp))) {
        HDC dc = reinterpret_cast<HDC>(wp);
        SetTextColor(dc, LinkColour());
        SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
      }
      return FALSE;
    case WM_SETCURSOR:
      if (d && d->IsLink(reinterpret_cast<HWND>(wp))) {
        SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND)));
        SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, TRUE);
        return TRUE;
      }
      return FALSE;
    case WM_COMMAND: {
      if (!d) return FALSE;
      const int id = LOWORD(wp);
      const size_t slots = d->request.controls.size();
      if (id == IDOK || (id > kCustomButton && id <= kCustomButton + static_cast<int>(slots))) {
        d->Collect(id);
        EndDialog(hwnd, id);
        return TRUE;
      }
      if (id == IDCANCEL) {
        EndDialog(hwnd, IDCANCEL);
        return TRUE;
      }
      if (id >= kCustomBrowseId && id < kCustomBrowseId + static_cast<int>(slots)) {
        d->Browse(static_cast<size_t>(id - kCustomBrowseId));
        return TRUE;
      }
      if (id >= kCustomFieldId && id < kCustomFieldId + static_cast<int>(slots) && HIWORD(wp) == STN_CLICKED) {
        const CustomControl& c = d->request.controls[static_cast<size_t>(id - kCustomFieldId)];
        if (c.kind == CustomKind::kLink && !c.target.empty()) ShellExecuteA(hwnd, "open", c.target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        return TRUE;
      }
      return FALSE;
    }
  }
  return FALSE;
}

// ---- File dialogs --------------------------------------------------------------------------------

// "Name (*.a;*.b)|*.a;*.b|Other (*.*)" as the common dialog's pairs; a name without its own
// pattern uses the one in its parentheses.
std::string FilterPairs(const std::string& filter) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= filter.size()) {
    size_t end = filter.find('|', start);
    if (end == std::string::npos) end = filter.size();
    if (end > start) parts.push_back(filter.substr(start, end - start));
    start = end + 1;
  }
  auto isPattern = [](const std::string& p) { return p.find_first_of("*?") != std::string::npos && p.find('(') == std::string::npos; };
  std::string out;
  for (size_t i = 0; i < parts.size(); ++i) {
    std::string name = parts[i], pattern;
    if (i + 1 < parts.size() && isPattern(parts[i + 1])) {
      pattern = parts[++i];
    } else {
      const size_t open = name.rfind('('), close = name.rfind(')');
      pattern = open != std::string::npos && close != std::string::npos && close > open ? name.substr(open + 1, close - open - 1) : "*.*";
    }
    out += name + '\0' + pattern + '\0';
  }
  if (out.empty()) out = std::string("All Files (*.*)") + '\0' + "*.*" + '\0';
  return out + '\0';
}

int CALLBACK FolderCallback(HWND hwnd, UINT msg, LPARAM, LPARAM data) {
  if (msg == BFFM_INITIALIZED && data) SendMessageA(hwnd, BFFM_SETSELECTIONA, TRUE, data);
  return 0;
}

}  // namespace

void Win32Dialogs::Opened(HWND helper) {
  std::lock_guard<std::mutex> lock(mu_);
  helpers_.insert(helper);
}

void Win32Dialogs::Closed(HWND helper) {
  std::lock_guard<std::mutex> lock(mu_);
  helpers_.erase(helper);
}

void Win32Dialogs::CancelPrompts() {
  std::lock_guard<std::mutex> lock(mu_);
  for (HWND helper : helpers_) PostMessageA(helper, kCancelMsg, 0, 0);
}

int Win32Dialogs::ShowMessage(const std::string& text, const std::string& caption, uint32_t style, uint32_t timeoutMs) {
  PromptHelper helper(*this, EndBy::kAnswerZero, timeoutMs);
  CaptureFirstWindow capture(&helper.state);
  // With a limit the box is owned by the helper, whose timer closes it.
  return MessageBoxA(timeoutMs ? helper.hwnd : nullptr, text.c_str(), caption.c_str(), style);
}

PromptAnswer Win32Dialogs::AskEntry(const EntryRequest& request) {
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_DATE_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  PromptHelper helper(*this, EndBy::kCancelButton, request.timeoutMs);
  EntryDialog d(request, helper.state);
  if (request.flags & promptflag::kDrives) d.items = DriveRoots(request.flags & promptflag::kFixedSize);
  const std::vector<WORD> tmpl = EmptyTemplate(request.flags & promptflag::kFixedSize);
  const INT_PTR r = DialogBoxIndirectParamA(Instance(), reinterpret_cast<const DLGTEMPLATE*>(tmpl.data()),
                                            OwnerOf(request.owner), EntryProc, reinterpret_cast<LPARAM>(&d));
  if (r != IDOK) return {};
  return d.answer;
}

CustomAnswer Win32Dialogs::AskCustom(const CustomRequest& request) {
  PromptHelper helper(*this, EndBy::kCancelButton, request.timeoutMs);
  CustomDialog d(*this, request, helper.state);
  const std::vector<WORD> tmpl = EmptyTemplate(true);
  const INT_PTR r = DialogBoxIndirectParamA(Instance(), reinterpret_cast<const DLGTEMPLATE*>(tmpl.data()),
                                            OwnerOf(request.owner), CustomProc, reinterpret_cast<LPARAM>(&d));
  if (r != IDOK && r <= kCustomButton) return {};
  return d.answer;
}

PromptAnswer Win32Dialogs::AskFile(const FileRequest& request) {
  PromptHelper helper(*this, EndBy::kCancelButton, 0);
  CaptureFirstWindow capture(&helper.state);
  PromptAnswer answer;
  if (request.kind == FileKind::kFolder) {
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    char path[MAX_PATH] = {};
    BROWSEINFOA bi = {};
    bi.hwndOwner = OwnerOf(request.owner);
    bi.lpszTitle = request.caption.empty() ? "Select a folder" : request.caption.c_str();
    bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    bi.lpfn = FolderCallback;
    bi.lParam = request.initial.empty() ? 0 : reinterpret_cast<LPARAM>(request.initial.c_str());
    if (PIDLIST_ABSOLUTE chosen = SHBrowseForFolderA(&bi)) {
      answer.ok = SHGetPathFromIDListA(chosen, path) != FALSE;
      answer.text = path;
      CoTaskMemFree(chosen);
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return answer;
  }
  const std::string filter = FilterPairs(request.filter);
  std::vector<char> buffer(65536, '\0');
  std::copy_n(request.initial.begin(), std::min(request.initial.size(), buffer.size() - 2), buffer.begin());
  OPENFILENAMEA ofn = {};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = OwnerOf(request.owner);
  ofn.lpstrFilter = filter.c_str();
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = static_cast<DWORD>(buffer.size());
  ofn.lpstrTitle = request.caption.empty() ? nullptr : request.caption.c_str();
  ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
  if (request.kind == FileKind::kSave) {
    ofn.Flags |= OFN_OVERWRITEPROMPT;
    answer.ok = GetSaveFileNameA(&ofn) != FALSE;
  } else {
    ofn.Flags |= OFN_FILEMUSTEXIST | (request.kind == FileKind::kOpenMultiple ? OFN_ALLOWMULTISELECT : 0);
    answer.ok = GetOpenFileNameA(&ofn) != FALSE;
  }
  if (!answer.ok) return answer;
  // Several files: the folder, then the names, each ended by a NUL.
  const std::string first(buffer.data());
  const char* next = buffer.data() + first.size() + 1;
  if (request.kind != FileKind::kOpenMultiple || *next == '\0') {
    answer.text = first;
    return answer;
  }
  const std::string folder = first.back() == '\\' ? first : first + "\\";
  for (; *next; next += std::strlen(next) + 1) {
    if (!answer.text.empty()) answer.text.push_back('|');
    answer.text += folder + next;
  }
  return answer;
}

}  // namespace plumo

// ---- Popups and the tray icon ---------------------------------------------------------------

namespace plumo {
namespace {

constexpr char kPopupClass[] = "PlumoPopup";
constexpr char kTrayClass[] = "PlumoTray";
constexpr UINT_PTR kPopupLimitTimer = 1;
constexpr UINT_PTR kTrackTimer = 2;
constexpr UINT kTrayId = 1;
constexpr int kPad = 10;
constexpr int kBarHeight = 18;

struct Popup {
  Win32Dialogs* dialogs;
  PopupRequest request;
  HFONT font = nullptr;
  HWND bar = nullptr;
  ~Popup() {
    if (font) DeleteObject(font);
  }
};

// Space around the text: a screen message is meant to be read from a distance.
int Pad(PopupKind k) { return k == PopupKind::kScreenMessage ? 3 * kPad : kPad + 4; }

bool IsFloating(PopupKind k) { return k == PopupKind::kFloatingBalloon || k == PopupKind::kTrackingBalloon; }
bool HasFrame(PopupKind k) { return k == PopupKind::kStatus || k == PopupKind::kProgress; }

HFONT PopupFont(PopupKind kind) {
  NONCLIENTMETRICSA m = {};
  m.cbSize = sizeof(m);
  SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(m), &m, 0);
  LOGFONTA lf = m.lfMessageFont;
  if (kind == PopupKind::kScreenMessage) {
    lf.lfHeight = lf.lfHeight * 2;
    lf.lfWeight = FW_BOLD;
  }
  return CreateFontIndirectA(&lf);
}

UINT TextFormat(const Popup& p) {
  return DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX | (p.request.centerText ? DT_CENTER : DT_LEFT);
}

SIZE TextSize(HWND hwnd, const Popup& p, int maxWidth) {
  HDC dc = GetDC(hwnd);
  HGDIOBJ old = SelectObject(dc, p.font);
  RECT r{0, 0, maxWidth, 0};
  DrawTextA(dc, p.request.text.c_str(), static_cast<int>(p.request.text.size()), &r, TextFormat(p) | DT_CALCRECT);
  SelectObject(dc, old);
  ReleaseDC(hwnd, dc);
  return {r.right, r.bottom};
}

// Size and place the popup for its request: the text's size (or the one asked for), centred in
// the work area, at the position asked for, beside the mouse (floating balloons) or in the
// bottom right corner (status and progress).
void PlacePopupWindow(HWND hwnd, Popup& p) {
  RECT work{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  const PopupRequest& r = p.request;
  const int maxText = (work.right - work.left) * (r.kind == PopupKind::kScreenMessage ? 3 : 2) / 5;
  const int pad = Pad(r.kind);
  SIZE text = TextSize(hwnd, p, r.width ? std::max(r.width - 2 * pad, 20) : maxText);
  int clientW = r.width ? r.width : std::max<int>(text.cx + 2 * pad, r.kind == PopupKind::kProgress ? 260 : 120);
  int clientH = r.height ? r.height : text.cy + 2 * pad + (r.kind == PopupKind::kProgress ? kBarHeight + pad : 0);
  if (r.picture) {
    clientW = std::min<int>(static_cast<int>(int64_t{r.picture->width()} * r.zoomPercent / 100), work.right - work.left);
    clientH = std::min<int>(static_cast<int>(int64_t{r.picture->height()} * r.zoomPercent / 100), work.bottom - work.top);
  }
  RECT frame{0, 0, clientW, clientH};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongA(hwnd, GWL_EXSTYLE)));
  const int w = frame.right - frame.left, h = frame.bottom - frame.top;
  int x, y;
  if (!r.centered) {
    x = r.x, y = r.y;
  } else if (IsFloating(r.kind)) {
    POINT at{};
    GetCursorPos(&at);
    x = std::min<int>(at.x + 16, work.right - w), y = std::min<int>(at.y + 20, work.bottom - h);
  } else if (HasFrame(r.kind)) {
    x = work.right - w - kPad, y = work.bottom - h - kPad;
  } else {
    x = work.left + (work.right - work.left - w) / 2, y = work.top + (work.bottom - work.top - h) / 2;
  }
  SetWindowPos(hwnd, r.topmost ? HWND_TOPMOST : HWND_NOTOPMOST, x, y, w, h, SWP_NOACTIVATE);
  if (p.bar) {
    MoveWindow(p.bar, pad, clientH - pad - kBarHeight, clientW - 2 * pad, kBarHeight, TRUE);
    SendMessageA(p.bar, PBM_SETPOS, static_cast<WPARAM>(r.percent), 0);
  }
  SetWindowTextA(hwnd, r.caption.c_str());
  KillTimer(hwnd, kPopupLimitTimer);
  if (r.timeoutMs) SetTimer(hwnd, kPopupLimitTimer, r.timeoutMs, nullptr);
  if (r.kind == PopupKind::kTrackingBalloon) SetTimer(hwnd, kTrackTimer, 50, nullptr);
  InvalidateRect(hwnd, nullptr, TRUE);
}

LRESULT CALLBACK PopupProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* p = reinterpret_cast<Popup*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      if (p) {
        RECT rc;
        GetClientRect(hwnd, &rc);
        if (const std::optional<Picture>& picture = p->request.picture) {
          BITMAPINFO bi = {};
          bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
          bi.bmiHeader.biWidth = static_cast<LONG>(picture->stride());
          bi.bmiHeader.biHeight = -picture->height();  // rows from the top
          bi.bmiHeader.biPlanes = 1;
          bi.bmiHeader.biBitCount = 32;
          SetStretchBltMode(dc, HALFTONE);
          StretchDIBits(dc, 0, 0, rc.right, rc.bottom, 0, 0, picture->width(), picture->height(), picture->Row(0), &bi,
                        DIB_RGB_COLORS, SRCCOPY);
          EndPaint(hwnd, &ps);
          return 0;
        }
        const bool info = !HasFrame(p->request.kind);
        FillRect(dc, &rc, GetSysColorBrush(info ? COLOR_INFOBK : COLOR_BTNFACE));
        if (info) FrameRect(dc, &rc, GetSysColorBrush(COLOR_WINDOWFRAME));
        HGDIOBJ old = SelectObject(dc, p->font);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(info ? COLOR_INFOTEXT : COLOR_BTNTEXT));
        const int pad = Pad(p->request.kind);
        RECT text{pad, pad, rc.right - pad, rc.bottom - pad - (p->bar ? kBarHeight + pad : 0)};
        DrawTextA(dc, p->request.text.c_str(), static_cast<int>(p->request.text.size()), &text, TextFormat(*p));
        SelectObject(dc, old);
      }
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_TIMER:
      if (wp == kPopupLimitTimer) {
        DestroyWindow(hwnd);
      } else if (wp == kTrackTimer && p) {
        POINT at{};
        GetCursorPos(&at);
        SetWindowPos(hwnd, nullptr, at.x + 16, at.y + 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      }
      return 0;
    case WM_LBUTTONUP:
      if (p && !HasFrame(p->request.kind)) DestroyWindow(hwnd);
      return 0;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_NCDESTROY:
      if (p) {
        p->dialogs->Forget(hwnd);
        delete p;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
      }
      break;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

void RegisterWindowClass(const char* name, WNDPROC proc) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = proc;
  wc.hInstance = Instance();
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.lpszClassName = name;
  RegisterClassA(&wc);  // fails harmlessly when registered
}

NOTIFYICONDATAA TrayData(HWND tray) {
  NOTIFYICONDATAA d = {};
  d.cbSize = sizeof(d);
  d.hWnd = tray;
  d.uID = kTrayId;
  return d;
}

LRESULT CALLBACK TrayProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_TIMER && wp == kPopupLimitTimer) {
    KillTimer(hwnd, kPopupLimitTimer);
    NOTIFYICONDATAA d = TrayData(hwnd);
    d.uFlags = NIF_INFO;
    Shell_NotifyIconA(NIM_MODIFY, &d);  // an empty balloon takes it down
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace

void Win32Dialogs::Forget(HWND popup) {
  for (auto it = popups_.begin(); it != popups_.end(); ++it)
    if (it->second == popup) {
      popups_.erase(it);
      return;
    }
}

void Win32Dialogs::ShowPopup(const PopupRequest& request) {
  if (request.kind == PopupKind::kBalloon) {
    if (!trayShown_) {
      if (!ShowTrayIcon(request.caption.empty() ? "Plumo" : request.caption)) return;
      trayForBalloon_ = true;
    }
    NOTIFYICONDATAA d = TrayData(tray_);
    d.uFlags = NIF_INFO;
    lstrcpynA(d.szInfo, request.text.c_str(), sizeof(d.szInfo));
    lstrcpynA(d.szInfoTitle, request.caption.c_str(), sizeof(d.szInfoTitle));
    d.uTimeout = request.timeoutMs;
    d.dwInfoFlags = NIIF_INFO;
    Shell_NotifyIconA(NIM_MODIFY, &d);
    if (request.timeoutMs) SetTimer(tray_, kPopupLimitTimer, request.timeoutMs, nullptr);
    return;
  }
  HWND hwnd = popups_.count(request.kind) ? popups_[request.kind] : nullptr;
  Popup* p = hwnd ? reinterpret_cast<Popup*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA)) : nullptr;
  if (!p) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    RegisterWindowClass(kPopupClass, PopupProc);
    const DWORD style = WS_POPUP | (HasFrame(request.kind) ? WS_CAPTION : 0) | (request.picture ? WS_BORDER : 0);
    hwnd = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kPopupClass, "", style, 0, 0, 10, 10, nullptr, nullptr,
                           Instance(), nullptr);
    if (!hwnd) return;
    p = new Popup{this, request, PopupFont(request.kind)};
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(p));
    if (request.kind == PopupKind::kProgress)
      p->bar = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, hwnd, nullptr, Instance(), nullptr);
    popups_[request.kind] = hwnd;
  }
  p->request = request;
  PlacePopupWindow(hwnd, *p);
  ShowWindow(hwnd, SW_SHOWNOACTIVATE);
  UpdateWindow(hwnd);
}

void Win32Dialogs::ClosePopup(PopupKind kind) {
  if (kind == PopupKind::kBalloon) {
    if (tray_) TrayProc(tray_, WM_TIMER, kPopupLimitTimer, 0);
    if (trayForBalloon_) RemoveTrayIcon();
    return;
  }
  auto it = popups_.find(kind);
  if (it != popups_.end()) DestroyWindow(it->second);  // WM_NCDESTROY forgets it
}

void Win32Dialogs::ClosePopups() {
  while (!popups_.empty()) DestroyWindow(popups_.begin()->second);
  if (trayForBalloon_) RemoveTrayIcon();
}

bool Win32Dialogs::ShowTrayIcon(const std::string& title) {
  if (!tray_) {
    RegisterWindowClass(kTrayClass, TrayProc);
    tray_ = CreateWindowExA(WS_EX_TOOLWINDOW, kTrayClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, Instance(), nullptr);
    if (!tray_) return false;
  }
  NOTIFYICONDATAA d = TrayData(tray_);
  d.uFlags = NIF_ICON | NIF_TIP;
  d.hIcon = LoadIconA(Instance(), MAKEINTRESOURCEA(1));
  if (!d.hIcon) d.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
  lstrcpynA(d.szTip, title.c_str(), sizeof(d.szTip));
  const bool ok = Shell_NotifyIconA(trayShown_ ? NIM_MODIFY : NIM_ADD, &d) != FALSE;
  if (ok) trayShown_ = true;
  trayForBalloon_ = false;
  return ok;
}

void Win32Dialogs::RemoveTrayIcon() {
  if (!trayShown_) return;
  NOTIFYICONDATAA d = TrayData(tray_);
  Shell_NotifyIconA(NIM_DELETE, &d);
  trayShown_ = false;
  trayForBalloon_ = false;
}

}  // namespace plumo
