#include "actions/desktop/window_actions.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string_view>

#include "actions/desktop/close_window.h"
#include "actions/desktop/image_search.h"
#include "actions/desktop/key_input.h"
#include "actions/desktop/mouse_move.h"
#include "actions/desktop/window_activation.h"
#include "actions/desktop/window_finder.h"
#include "base/text.h"
#include "engine/failure.h"
#include "engine/run_controller.h"
#include "engine/run_log.h"
#include "engine/session.h"

namespace plumo {
namespace {

constexpr size_t kTextBuffer = 0xFFC00;     // 1 MB less 1024
constexpr size_t kSelectionLimit = 0xFFF00;
constexpr size_t kMinWholeText = 0x100000;
constexpr size_t kWholeTextSpare = 4096;
constexpr uint32_t kControlTextTimeoutMs = 250;
// A window that does not answer holds the run no longer than this, whatever the method.
constexpr uint32_t kUnboundedTextTimeoutMs = 10000;
constexpr size_t kItemChars = 259;
constexpr size_t kSetItemChars = 255;
constexpr uint32_t kClickPauseMs = 50;
constexpr uint32_t kClipboardCopyMs = 500;
constexpr uint8_t kKeyC = 'C';
// "Close All if Multiple" stops after this many further windows.
constexpr int kCloseAllLimit = 100;

struct Call {
  Session& session;
  int slot;
  int index;
  Step& step;
  uint32_t window = 0;

  bool Has(std::string_view word) const { return ContainsNoCase(step.options, word); }
  std::string Expand(std::string_view field) { return session.ExpandStep(field, slot, index); }
  int Store(const std::string& value) {
    session.StoreOutput(slot, index, value);
    return result::kSuccess;
  }
};

uint32_t ParentOf(Session& session, uint32_t w) { return session.desktop().WalkWindows(w, WindowStep::kParent); }

bool IsListLike(ControlType type) { return type == ControlType::kComboBox || type == ControlType::kListbox; }

// ---- Reading texts ----

std::string GetTextWithTimeout(Session& session, uint32_t w, uint32_t timeoutMs) {
  return session.desktop().SendBufferMessage(w, wm::kGetText, kTextBuffer, kTextBuffer - 1, timeoutMs).value_or("");
}

std::string WholeText(Session& session, uint32_t w) {
  Desktop& d = session.desktop();
  const int64_t length = d.Send(w, wm::kGetTextLength, 0, 0, kUnboundedTextTimeoutMs).value_or(0);
  const size_t size = std::max(static_cast<size_t>(std::max<int64_t>(length, 0)) + kWholeTextSpare, kMinWholeText);
  return d.SendBufferMessage(w, wm::kGetText, size, size - 1, kUnboundedTextTimeoutMs).value_or("");
}

// The item messages of list boxes and of combo boxes.
struct ItemMessages {
  uint32_t count, current, length, text;
};
constexpr ItemMessages kListItems{wm::kLbGetCount, wm::kLbGetCurSel, wm::kLbGetTextLen, wm::kLbGetText};
constexpr ItemMessages kComboItems{wm::kCbGetCount, wm::kCbGetCurSel, wm::kCbGetLbTextLen, wm::kCbGetLbText};

int64_t Ask(Session& session, uint32_t w, uint32_t msg, uint64_t wParam = 0) {
  return session.desktop().Send(w, msg, wParam, 0, kControlTextTimeoutMs).value_or(kLbErr);
}

std::string ItemText(Session& session, uint32_t w, const ItemMessages& m, int64_t i, int64_t length) {
  return session.desktop()
      .SendBufferMessage(w, m.text, static_cast<uint64_t>(i), static_cast<size_t>(length), kControlTextTimeoutMs)
      .value_or("");
}

// Every item, each followed by CR LF; an item longer than an item may be is left out.
std::string AllItems(Session& session, uint32_t w, const ItemMessages& m) {
  const int64_t count = Ask(session, w, m.count);
  std::string out;
  for (int64_t i = 0; i < count && out.size() < kTextBuffer; ++i) {
    const int64_t length = Ask(session, w, m.length, static_cast<uint64_t>(i));
    if (length < 0) break;
    if (static_cast<size_t>(length) <= kItemChars) out += ItemText(session, w, m, i, length) + "\r\n";
  }
  if (out.size() > kTextBuffer) out.resize(kTextBuffer);
  return out;
}

std::string SelectedItem(Session& session, uint32_t w, const ItemMessages& m) {
  const int64_t at = Ask(session, w, m.current);
  const int64_t length = at < 0 ? kLbErr : Ask(session, w, m.length, static_cast<uint64_t>(at));
  if (length < 0) return {};
  return ItemText(session, w, m, at, std::min<int64_t>(length, kTextBuffer));
}

std::string SelectedEditText(Session& session, uint32_t w) {
  const int64_t sel = session.desktop().Send(w, wm::kEmGetSel, 0, 0, kControlTextTimeoutMs).value_or(0);
  const size_t start = static_cast<size_t>(sel & 0xFFFF), end = static_cast<size_t>((sel >> 16) & 0xFFFF);
  if (end <= start) return {};
  const std::string text = WholeText(session, w);
  if (start >= text.size()) return {};
  return text.substr(start, std::min(end - start, kSelectionLimit));
}

std::string SelectedListViewItems(Call& c) {
  Desktop& d = c.session.desktop();
  const bool trace = c.session.run.logLevel >= 2;
  const int64_t total = d.Send(c.window, wm::kLvmGetItemCount, 0, 0, kControlTextTimeoutMs).value_or(0);
  const int64_t selected = d.Send(c.window, wm::kLvmGetSelectedCount, 0, 0, kControlTextTimeoutMs).value_or(0);
  if (trace)
    LogLine(c.session, FormatText("    ListView Total Items: %d, Selected Items: %d", static_cast<int>(total), static_cast<int>(selected)));
  std::string out;
  int64_t item = -1;
  for (int n = 1; n <= total; ++n) {
    item = d.Send(c.window, wm::kLvmGetNextItem, static_cast<uint64_t>(item), kLvniSelected, kControlTextTimeoutMs).value_or(-1);
    if (item < 0) break;
    if (trace) LogLine(c.session, FormatText("    Retrieving selected ListView item #%d", n));
    std::optional<std::string> text = d.ListViewItemText(c.window, static_cast<int>(item), kTextBuffer - out.size());
    if (!text) {
      LogLine(c.session, "    FAILURE during listview read item!");
      break;
    }
    out += *text;
  }
  return out;
}

std::string SelectedTreeViewItem(Session& session, uint32_t w) {
  Desktop& d = session.desktop();
  const int64_t item = d.Send(w, wm::kTvmGetNextItem, kTvgnCaret, 0, kControlTextTimeoutMs).value_or(0);
  return d.TreeViewItemText(w, item, kTextBuffer).value_or("");
}

// Copies the selection with Ctrl+C and reads it from the clipboard, which keeps what it held.
std::string TextViaClipboard(Session& session) {
  Clipboard& clipboard = session.clipboard();
  Desktop& d = session.desktop();
  std::optional<std::string> kept = clipboard.Text();
  if (kept && !clipboard.Clear().ok()) return {};  // what it holds would read as the copy
  // Keys that do not arrive leave the clipboard empty, which is the answer.
  (void)SendKey(d, vk::kControl, false);
  (void)TapKey(d, kKeyC);
  (void)SendKey(d, vk::kControl, true);
  session.clock().Sleep(kClipboardCopyMs);
  std::string text = clipboard.Text().value_or("");
  if (kept && !clipboard.SetText(*kept).ok()) LogLine(session, "    The clipboard's text could not be put back");
  return text.substr(0, kTextBuffer);
}

int GetText(Call& c) {
  Session& s = c.session;
  const bool info = ContainsNoCase(c.step.action, "Get Window Info");
  if (!c.Has("Control") && !info) {
    if (c.Has("interactive")) return c.Store(GetTextWithTimeout(s, c.window, kControlTextTimeoutMs));
    if (c.Has("GetWindowText")) return c.Store(s.desktop().WindowText(c.window, kTextBuffer));
    return c.Store(WholeText(s, c.window));
  }
  const ControlType type = ControlTypeOfWindow(s, c.window);
  const ItemMessages& items = type == ControlType::kComboBox ? kComboItems : kListItems;
  if (info || !c.Has("selected")) {
    if (IsListLike(type)) return c.Store(AllItems(s, c.window, items));
    return c.Store(GetTextWithTimeout(s, c.window, kControlTextTimeoutMs));
  }
  switch (type) {
    case ControlType::kStatic:
    case ControlType::kRadioButton:
    case ControlType::kCheckbox:
    case ControlType::kButton: return c.Store(GetTextWithTimeout(s, c.window, kControlTextTimeoutMs));
    case ControlType::kEdit:
    case ControlType::kMultilineEdit: return c.Store(SelectedEditText(s, c.window));
    case ControlType::kComboBox: {
      std::string text = GetTextWithTimeout(s, c.window, kControlTextTimeoutMs);
      return c.Store(text.empty() ? SelectedItem(s, c.window, kComboItems) : text);
    }
    case ControlType::kListbox: return c.Store(SelectedItem(s, c.window, kListItems));
    case ControlType::kTreeview: return c.Store(SelectedTreeViewItem(s, c.window));
    case ControlType::kListview: return c.Store(SelectedListViewItems(c));
    default: return c.Store(TextViaClipboard(s));
  }
}

// ---- Changing windows ----

int SetText(Call& c) {
  const unsigned flags = c.Has("No Variable Expansion") ? expandflag::kNone : 0;
  SetWindowTextOrItems(c.session, c.window, c.session.ExpandStep(c.step.text, c.slot, c.index, flags));
  return result::kSuccess;
}

struct StyleRow {
  const char* value;
  uint32_t add, remove;
};
// Style words that change style bits.
constexpr StyleRow kStyleBits[] = {
    {"Caption", ws::kCaption, 0},
    {"Not Resizable", ws::kDlgFrame, ws::kThickFrame},
    {"Resizable", ws::kThickFrame, 0},
    {"Without Maximize Button", 0, ws::kMaximizeBox},
    {"Maximize Button", ws::kMaximizeBox, 0},
    {"Without Minimize Button", 0, ws::kMinimizeBox},
    {"Minimize Button", ws::kMinimizeBox, 0},
};

int SetWindowStyle(Call& c) {
  Desktop& d = c.session.desktop();
  const uint32_t w = c.window;
  const std::string value(c.step.value1.str());
  constexpr uint32_t kKeepPlace = swp::kNoMove | swp::kNoSize | swp::kNoActivate;
  if (EqualsNoCase(value, "Always on Top")) d.SetWindowPos(w, swp::kTopMost, 0, 0, 0, 0, kKeepPlace);
  else if (EqualsNoCase(value, "Not Always on Top")) d.SetWindowPos(w, swp::kNoTopMost, 0, 0, 0, 0, kKeepPlace);
  else if (EqualsNoCase(value, "Visible")) d.ShowWindow(w, sw::kShow);
  else if (EqualsNoCase(value, "Hidden")) d.ShowWindow(w, sw::kHide);
  else if (EqualsNoCase(value, "Disabled")) d.EnableWindow(w, false);
  else if (EqualsNoCase(value, "Enabled")) d.EnableWindow(w, true);
  for (const StyleRow& row : kStyleBits) {
    if (!EqualsNoCase(value, row.value)) continue;
    const auto style = static_cast<uint32_t>(d.WindowLong(w, gwl::kStyle));
    d.ChangeWindowLong(w, gwl::kStyle, static_cast<int32_t>((style | row.add) & ~row.remove));
  }
  d.RedrawWindow(w);
  d.Send(w, wm::kPaint, 0, 0, kControlTextTimeoutMs);
  d.Send(w, wm::kNcPaint, 1, 0, kControlTextTimeoutMs);
  d.SetWindowPos(w, 0, 0, 0, 0, 0, swp::kNoMove | swp::kNoSize | swp::kNoZOrder | swp::kNoActivate | swp::kFrameChanged);
  d.SetFocus(w);
  return result::kSuccess;
}

std::string Decimal(int64_t v) { return std::to_string(v); }

int ProcessInfo(Call& c) {
  uint32_t process = 0;
  c.session.desktop().GetWindowThreadProcessId(c.window, &process);
  std::string path;
  OsError e = process ? c.session.processes().ImagePath(process, &path) : OsError("GetWindowThreadProcessId", 0, "no process");
  if (!e || path.empty())
    return c.session.Fail(FormatText("Unable to read the program of window %lu: %s", static_cast<unsigned long>(c.window),
                                     e ? "empty name" : e.ToString().c_str()));
  const size_t slash = path.find_last_of("\\/");
  if (c.Has("Base")) return c.Store(slash == std::string::npos ? path : path.substr(slash + 1));
  if (c.Has("Path")) return c.Store(slash == std::string::npos ? std::string() : path.substr(0, slash + 1));
  return c.Store(path);
}

int WindowInfo(Call& c) {
  Desktop& d = c.session.desktop();
  const uint32_t w = c.window;
  const WindowRect r = d.GetWindowRect(w).value_or(WindowRect{});
  struct InfoRow {
    const char* word;
    std::function<std::string()> value;
  };
  const InfoRow rows[] = {
      {"Width", [&] { return Decimal(r.right - r.left); }},
      {"Height", [&] { return Decimal(r.bottom - r.top); }},
      {"Left Coor", [&] { return Decimal(r.left); }},
      {"Right Coor", [&] { return Decimal(r.right); }},
      {"Bottom Coor", [&] { return Decimal(r.bottom); }},
      {"Top Coor", [&] { return Decimal(r.top); }},
      {"Style", [&] { return Decimal(static_cast<uint32_t>(d.WindowLong(w, gwl::kStyle))); }},
      {"Visible", [&] { return Decimal(d.IsWindowVisible(w)); }},
      {"Minimized", [&] { return Decimal(d.IsIconic(w)); }},
      {"Maximized", [&] { return Decimal(d.IsZoomed(w)); }},
      {"Checked",
       [&] {
         return Decimal(d.SendToDlgItem(ParentOf(c.session, w), static_cast<int32_t>(d.WindowLong(w, gwl::kId)),
                                        wm::kBmGetCheck, 0, 0));
       }},
      {"Enabled", [&] { return Decimal(d.IsWindowEnabled(w)); }},
      {"Control ID", [&] { return Decimal(d.WindowLong(w, gwl::kId)); }},
      {"Class", [&] { return d.ClassName(w); }},
  };
  for (const InfoRow& row : rows)
    if (c.Has(row.word)) return c.Store(row.value());
  if (c.Has("Process")) return ProcessInfo(c);
  if (c.Has("Control Type")) return c.Store(std::string(ControlTypeName(ControlTypeOfWindow(c.session, w))));
  return result::kFailure;
}

int Press(Call& c) {
  ActivateWindow(c.session, ParentOf(c.session, c.window), false);
  SmoothMoveToWindow(c.session, c.window, true, true);
  ClickControl(c.session, c.window);
  return result::kSuccess;
}

int ChildAction(Call& c) {
  Desktop& d = c.session.desktop();
  if (c.Has("Check")) {
    const int64_t id = d.WindowLong(c.window, gwl::kId);
    d.SendToDlgItem(ParentOf(c.session, c.window), static_cast<int32_t>(id), wm::kBmSetCheck, c.Has("Uncheck") ? 0 : 1, 0);
  } else if (c.Has("Press")) {
    ClickControl(c.session, c.window);
  } else {
    ActivateWindow(c.session, ParentOf(c.session, c.window), false);
    d.Post(c.window, wm::kSetFocus, 0, 0);
  }
  return result::kSuccess;
}

int Move(Call& c) {
  const int x = LeadingInteger(c.Expand(c.step.value1)), y = LeadingInteger(c.Expand(c.step.value2));
  c.session.desktop().SetWindowPos(c.window, 0, x, y, 0, 0, swp::kNoSize | swp::kNoZOrder | swp::kNoActivate);
  return result::kSuccess;
}

int Resize(Call& c) {
  Desktop& d = c.session.desktop();
  const WindowRect r = d.GetWindowRect(c.window).value_or(WindowRect{});
  int width = LeadingInteger(c.Expand(c.step.value1)), height = LeadingInteger(c.Expand(c.step.value2));
  if (width < 1) width = r.right - r.left;
  if (height < 1) height = r.bottom - r.top;
  d.SetWindowPos(c.window, 0, 0, 0, width, height, swp::kNoMove | swp::kNoZOrder | swp::kNoActivate);
  return result::kSuccess;
}

int Maximize(Call& c) {
  Desktop& d = c.session.desktop();
  d.ShowWindow(c.window, sw::kMaximize);
  if (d.ForegroundWindow() != c.window && TopWindow(c.session) != c.window && FocusedControl(c.session) != c.window)
    ActivateWindow(c.session, c.window, false);
  c.session.run.reactivateWindow = true;
  return result::kSuccess;
}

int Restore(Call& c) {
  c.session.desktop().ShowWindow(c.window, sw::kRestore);
  ActivateWindow(c.session, c.window, false);
  return result::kSuccess;
}

int Minimize(Call& c) {
  c.session.desktop().ShowWindow(c.window, sw::kMinimize);
  return result::kSuccess;
}

int Close(Call& c) {
  const double seconds = TimeoutSeconds(c.session, c.slot, c.index);
  const uint32_t ms = seconds > 0 ? static_cast<uint32_t>(std::min(seconds, 4.0e6)) * 1000u : 0;
  CloseProgramWindow(c.session, c.window, ms);
  if (c.Has("All") && c.Has("Title")) {
    // A window that survives its close would be found for ever: each is closed once.
    std::vector<uint32_t> closed{c.window};
    for (int n = 0; n < kCloseAllLimit; ++n) {
      const uint32_t next = ResolveWindow(c.session, c.slot, c.index, c.step.data);
      if (!next || std::find(closed.begin(), closed.end(), next) != closed.end()) break;
      closed.push_back(next);
      CloseProgramWindow(c.session, next, ms);
    }
  }
  return result::kSuccess;
}

struct ActionRow {
  const char* keyword;
  const char* also;  // a second word the name must hold, or null
  int (*run)(Call&);
};
// By the action name, in this order, once the target window is known.
constexpr ActionRow kActions[] = {
    {"Set Window Style", nullptr, SetWindowStyle},
    {"Get Text", nullptr, GetText},
    {"Set Text", nullptr, SetText},
    {"Get ", "Info", WindowInfo},
    {"Press", nullptr, Press},
    {"Child", nullptr, ChildAction},
    {"Move", nullptr, Move},
    {"Resize", nullptr, Resize},
    {"Maximize", nullptr, Maximize},
    {"Restore", nullptr, Restore},
    {"Minimize", nullptr, Minimize},
    {"Close", nullptr, Close},
};

// ---- Use Window ----

int UseWindow(Call& c) {
  Session& s = c.session;
  Desktop& d = s.desktop();
  const uint32_t parent = HandleFieldValue(c.Expand(c.step.value5));
  const std::string text = c.Expand(c.step.text);
  // Case matters here: "Child Control Below Mouse" names no "ID" and needs no text.
  std::string_view options = c.step.options;
  if (text.empty())
    for (const char* criterion : {"Title", "Class", "ID", "Userdata", "HWND"})
      if (options.find(criterion) != std::string_view::npos) return s.Fail("Missing window information");

  uint32_t window = 0;
  bool searched = false;  // by match data: the finder's counts are this search's
  if (c.Has("Image")) {
    // The control under the picture's top-left corner.
    const SearchResult found = SearchFromStep(s, c.slot, c.index);
    if (found.failed()) return result::kFailure;
    if (!found.found()) return s.Fail(FormatText("Unable to find window '%s'", text.c_str()));
    window = ChildControlAt(s, found.x, found.y);
  } else if (c.Has(" X") || c.Has("Mouse")) {
    ScreenPoint p = d.CursorPosition();
    if (!c.Has("Mouse")) {
      const size_t comma = text.find(',');
      p = {LeadingInteger(text), comma == std::string::npos ? 0 : LeadingInteger(std::string_view(text).substr(comma + 1))};
      if (c.Has("Parent-Relative")) {
        const uint32_t base = d.IsWindow(parent) ? parent : s.currentWindow.load();
        if (std::optional<WindowRect> r = d.IsWindow(base) ? d.GetWindowRect(base) : std::nullopt) {
          p.x += r->left;
          p.y += r->top;
        }
      }
    }
    window = c.Has("Child") ? ChildControlAt(s, p.x, p.y) : TopLevelWindowAt(s, p.x, p.y);
  } else if (c.Has("Z-")) {
    auto next = [&](uint32_t from) {
      for (uint32_t w = from; w; w = d.WalkWindows(w, WindowStep::kNext))
        if (d.IsWindowVisible(w) && IsFramed(s, w) && !d.WalkWindows(w, WindowStep::kParent)) return w;
      return 0u;
    };
    window = next(d.ForegroundWindow());
    for (int n = std::min(LeadingInteger(text), 10000); n > 0 && window; --n) window = next(d.WalkWindows(window, WindowStep::kNext));
  } else if (c.Has("Top ")) {
    window = TopWindow(s);
  } else if (c.Has("Focus")) {
    window = FocusedControl(s);
  } else {
    window = FindMatchingWindow(s, SearchFlagsFromOptions(c.step.options), text, parent);
    searched = true;
  }

  s.currentWindow = window;
  c.Store(FormatText("%lu", static_cast<unsigned long>(window)));
  if (!window) return s.Fail(FormatText("Unable to find window '%s'", text.c_str()));
  if (searched && s.settings().ReadNumber("*\\MultipleWindowError") != 0 && !ContainsNoCase(c.step.onfail, "Ignore") &&
      !c.Has("First")) {
    const WindowMatchCounts& n = s.windowMatches;
    if (n.topLevel > 1) return s.Fail(FormatText("There are %d top-level windows that match the search criteria", n.topLevel));
    if (n.topLevel == 0 && n.children > 1)
      return s.Fail(FormatText("There are %d child windows that match the search criteria", n.children));
  }
  if (c.Has("Activ") || c.Has("Force")) {
    const ControlType type = ControlTypeOfWindow(s, window);
    const uint32_t target =
        type == ControlType::kCheckbox || type == ControlType::kRadioButton ? ParentOf(s, window) : window;
    const bool trace = s.RunExists() && s.run.logLevel >= 2;
    if (trace) LogLine(s, FormatText("    TRACE [A]: %lu", static_cast<unsigned long>(s.clock().TickCount())));
    ActivateWindow(s, target, c.Has("Force"));
    if (trace) LogLine(s, FormatText("    TRACE [B]: %lu", static_cast<unsigned long>(s.clock().TickCount())));
    s.run.reactivateWindow = true;
  }
  return result::kSuccess;
}

int AllWindows(Call& c) {
  Session& s = c.session;
  if (ContainsNoCase(c.step.action, "Minimize")) FindMatchingWindow(s, findflag::kMinimizeAll, "", 0);
  if (ContainsNoCase(c.step.action, "Close")) {
    FindMatchingWindow(s, findflag::kCloseAll, "", 0);
    // The run ends with the program: a shown studio is asked to close, a hidden run stops.
    if (s.startMode & kStartModeHidden) s.run.stopRequest = 1;
    else s.mainQueue().Post([&s] { s.view().RequestClose(); });
  }
  return result::kSuccess;
}

}  // namespace

std::string NeedsDesktopText(Session& session, int slot, int index) {
  return FormatText("\"%s\" needs a desktop session", session.scripts.StepAt(slot, index).action.c_str());
}

int NeedsDesktop(Session& session, int slot, int index) { return session.Fail(NeedsDesktopText(session, slot, index)); }

void SetWindowTextOrItems(Session& session, uint32_t window, const std::string& text) {
  Desktop& d = session.desktop();
  const ControlType type = ControlTypeOfWindow(session, window);
  if (!IsListLike(type)) {
    d.SendTextMessage(window, wm::kSetText, 0, text);
    return;
  }
  const uint32_t add = type == ControlType::kComboBox ? wm::kCbAddString : wm::kLbAddString;
  for (size_t at = 0; at < text.size();) {
    const size_t end = std::min(text.find(';', at), text.size());
    if (end == at) break;
    d.SendTextMessage(window, add, 0, text.substr(at, std::min(end - at, kSetItemChars)));
    at = end + 1;
  }
}

void ClickControl(Session& session, uint32_t control) {
  Desktop& d = session.desktop();
  ActivateWindow(session, ParentOf(session, control), false);
  const uint32_t target = NextInputControl(session, control);
  ScreenPoint centre = d.CursorPosition();
  if (std::optional<WindowRect> r = d.GetWindowRect(target)) {
    centre = {r->left + (r->right - r->left) / 2, r->top + (r->bottom - r->top) / 2};
    d.SetCursorPos(centre.x, centre.y);
  }
  const ControlType type = ControlTypeOfWindow(session, target);
  if (type == ControlType::kEdit || type == ControlType::kMultilineEdit) {
    d.SetFocus(target);
    d.Send(target, wm::kEmSetSel, 0, -1, kControlTextTimeoutMs);
    return;
  }
  d.SetFocus(target);
  (void)d.SendMouseButton(mouseevent::kLeftDown, centre, 0);  // the focus set above is the selection then
  session.clock().Sleep(kClickPauseMs);
  (void)d.SendMouseButton(mouseevent::kLeftUp, centre, 0);
  session.clock().Sleep(kClickPauseMs);
  d.RedrawWindow(target);
  d.SetFocus(target);
}

int WindowExecutor(Session& session, int slot, int index, bool) {
  if (!session.desktop().HasDesktop()) return NeedsDesktop(session, slot, index);
  Call c{session, slot, index, session.scripts.StepAt(slot, index)};
  std::string_view name = c.step.action;
  if (ContainsNoCase(name, "Use") || ContainsNoCase(name, "Activ")) return UseWindow(c);
  if (ContainsNoCase(name, "all Windows")) return AllWindows(c);
  c.window = ResolveWindow(session, slot, index, c.step.data);
  if (!c.window) return result::kFailure;
  if (ContainsNoCase(name, "Get Window Info") && c.Has("Text")) return GetText(c);
  for (const ActionRow& row : kActions)
    if (ContainsNoCase(name, row.keyword) && (!row.also || ContainsNoCase(name, row.also))) return row.run(c);
  return session.Fail(FormatText("Window '%s' found, but invalid action specified", c.Expand(c.step.data).c_str()));
}

}  // namespace plumo
