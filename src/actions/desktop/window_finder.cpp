#include "actions/desktop/window_finder.h"

#include <array>
#include <cinttypes>
#include <optional>

#include "actions/desktop/close_window.h"
#include "base/text.h"
#include "engine/run_log.h"
#include "engine/session.h"

namespace plumo {
namespace {

constexpr uint32_t kTitleCriteria = findflag::kPartialTitle | findflag::kExactTitle;
constexpr uint32_t kModes = findflag::kWriteList | findflag::kMinimizeAll | findflag::kCloseAll;
constexpr size_t kTitleChars = 255;
constexpr uint32_t kTitleTimeoutMs = 100;
constexpr size_t kClassChars = 63;
constexpr uint32_t kCloseAllGraceMs = 250;

struct OptionFlag {
  const char* word;
  uint32_t flag;
};
// Tested one after another; "Exact" decides the kind of title before "Title" can.
constexpr OptionFlag kOptionFlags[] = {{"Class", findflag::kClass}, {"ID", findflag::kId}, {"User", findflag::kUserData},
                                       {"Handle", findflag::kHandle}, {"HWND", findflag::kHandle}};

// The match data's fields in their fixed order, each with its width.
struct FieldRow {
  uint32_t flags;
  size_t chars;
};
constexpr std::array<FieldRow, 5> kFields{{{kTitleCriteria, 259},
                                           {findflag::kClass, 63},
                                           {findflag::kId, 31},
                                           {findflag::kUserData, 31},
                                           {findflag::kHandle, 31}}};

uint32_t DecimalValue(std::string_view text) {
  uint32_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    v = v * 10 + static_cast<uint32_t>(c - '0');
  }
  return v;
}

// What one search looks for.
struct Criteria {
  uint32_t flags = 0;
  std::string title, className, id, userData;
  uint32_t handle = 0;

  Criteria(uint32_t f, std::string_view data) : flags(f) {
    std::array<std::string, 5> fields;
    size_t at = 0;
    for (size_t i = 0; i < kFields.size(); ++i) {
      if (!(flags & kFields[i].flags)) continue;
      const size_t bar = data.find('|', at);
      const std::string_view field = at <= data.size() ? data.substr(at, bar == data.npos ? data.npos : bar - at) : "";
      fields[i] = std::string(field.substr(0, kFields[i].chars));
      at = bar == data.npos ? data.size() + 1 : bar + 1;
    }
    title = (flags & findflag::kPartialTitle) ? Without(fields[0], '&') : fields[0];
    className = fields[1];
    id = fields[2];
    userData = fields[3];
    handle = HandleFieldValue(fields[4]);
  }
};

std::string Signed(int64_t v) { return std::to_string(v); }

// The title as the finder reads it: a hung window counts as untitled.
std::string TitleOf(Desktop& desktop, uint32_t window) {
  std::optional<std::string> text =
      desktop.SendBufferMessage(window, wm::kGetText, kTitleChars + 1, kTitleChars, kTitleTimeoutMs);
  return Without(text.value_or(""), '&');
}

bool ClassMatches(std::string_view wanted, std::string_view actual) {
  if (!wanted.empty() && wanted.back() == '*') return StartsWithNoCase(actual, wanted.substr(0, wanted.size() - 1));
  return EqualsNoCase(wanted, actual);
}

class Search {
 public:
  Search(Session& session, uint32_t flags, std::string_view data, uint32_t parent)
      : session_(session), desktop_(session.desktop()), criteria_(flags, data), parent_(parent),
        ownMain_(session.view().MainWindowHandle()) {}

  uint32_t Run() {
    // Without a mode the test acts on nothing, so a hidden top-level window, which never
    // counts, is not asked for its title: each ask is a round trip into its program.
    const bool acts = (criteria_.flags & kModes) != 0;
    for (uint32_t top : desktop_.EnumWindows()) {
      if (acts ? Test(top, true) && IsFramedVisible(top) : IsFramedVisible(top) && Test(top, true)) {
        ++session_.windowMatches.topLevel;
        result_ = top;
      }
      for (uint32_t child : desktop_.EnumChildWindows(top)) {
        if (!Test(child, false)) continue;
        if (parent_ && !IsWithinParent(session_, child, parent_)) continue;
        if (ownMain_ && !(criteria_.flags & findflag::kHandle) && IsWithinParent(session_, child, ownMain_)) continue;
        ++session_.windowMatches.children;
        result_ = child;
      }
    }
    if (!list_.empty()) AppendList();
    return result_;
  }

 private:
  bool IsFramedVisible(uint32_t w) { return desktop_.IsWindowVisible(w) && IsFramed(session_, w); }

  // The window test: every criterion must hold; the modes act and never match.
  // Reads only what its criteria need: each read may cost a call into another process.
  bool Test(uint32_t w, bool topLevel) {
    const uint32_t flags = criteria_.flags;
    if (!(flags & (kModes | findflag::kFramedVisible | findflag::kFramedVisibleTopLevel))) return Matches(w);
    const bool framedVisible = IsFramedVisible(w);
    if (flags & findflag::kMinimizeAll) {
      if (framedVisible && topLevel && !desktop_.IsIconic(w)) desktop_.ShowWindow(w, sw::kMinimize);
      return false;
    }
    if (flags & findflag::kCloseAll) {
      if (framedVisible && topLevel && w != ownMain_) CloseProgramWindow(session_, w, kCloseAllGraceMs);
      return false;
    }
    if ((flags & findflag::kFramedVisible) && !framedVisible) return false;
    if ((flags & findflag::kFramedVisibleTopLevel) && !(framedVisible && topLevel)) return false;
    if (flags & findflag::kWriteList) {
      ListLine(w, topLevel && framedVisible, framedVisible);
      return false;
    }
    return Matches(w);
  }

  bool Matches(uint32_t w) {
    const uint32_t flags = criteria_.flags;
    if ((flags & findflag::kClass) && !ClassMatches(criteria_.className, desktop_.ClassName(w).substr(0, kClassChars)))
      return false;
    if ((flags & findflag::kId) && !EqualsNoCase(criteria_.id, Signed(desktop_.WindowLong(w, gwl::kId)))) return false;
    if ((flags & findflag::kUserData) && !EqualsNoCase(criteria_.userData, Signed(desktop_.WindowLong(w, gwl::kUserData))))
      return false;
    if ((flags & findflag::kHandle) && criteria_.handle != w) return false;
    if (!(flags & kTitleCriteria)) return true;
    const std::string title = TitleOf(desktop_, w);
    if (title.empty()) return false;
    if (flags & findflag::kExactTitle) return title == criteria_.title;
    return FindNoCase(title, criteria_.title) != std::string::npos;
  }

  void ListLine(uint32_t w, bool application, bool framedVisible) {
    const std::string title = TitleOf(desktop_, w);
    std::string line;
    if (criteria_.flags & (findflag::kFramedVisible | findflag::kFramedVisibleTopLevel)) {
      if (title.empty()) return;
      line = title + "\r\n";
    } else {
      const std::string rule = application ? "\r\n" + std::string(70, '=') + "\r\n" : "";
      line = FormatText("%s%s\"%s\"\t\t\t(Class: %s  ID: %" PRId64 "  HWND: 0x%x  Parent: 0x%x)\r\n", rule.c_str(),
                        framedVisible ? "" : "      ", title.c_str(), desktop_.ClassName(w).c_str(),
                        desktop_.WindowLong(w, gwl::kId), w, desktop_.WalkWindows(w, WindowStep::kOwner));
    }
    // The picker formats each line once more.
    ReplaceAllNoCase(line, "%", "%%");
    list_ += line;
  }

  void AppendList() {
    const std::string path = session_.environment().TempFolder() + kWindowListFile;
    std::string content;
    bool opened = false;
    if (OsError read = session_.files().ReadFile(path, &content, &opened);
        !read.ok() && session_.files().Kind(path) != PathKind::kNone) {
      LogLine(session_, "    The window list cannot be read: " + read.ToString());  // and is kept as it is
      return;
    }
    bool created = false;
    OsError e = session_.files().ReplaceContent(path, content + list_, &created);
    if (!e) LogLine(session_, "    The window list cannot be written: " + e.ToString());
  }

  Session& session_;
  Desktop& desktop_;
  Criteria criteria_;
  uint32_t parent_;
  uint32_t ownMain_;
  uint32_t result_ = 0;
  std::string list_;
};

}  // namespace

uint32_t SearchFlagsFromOptions(std::string_view options) {
  uint32_t flags = 0;
  if (ContainsNoCase(options, "Exact")) flags |= findflag::kExactTitle;
  else if (ContainsNoCase(options, "Title")) flags |= findflag::kPartialTitle;
  for (const OptionFlag& row : kOptionFlags)
    if (ContainsNoCase(options, row.word)) flags |= row.flag;
  if (flags == 0) flags = findflag::kPartialTitle;
  if (ContainsNoCase(options, "First")) flags |= findflag::kFirst;
  return flags;
}

uint32_t HandleFieldValue(std::string_view field) {
  const bool hex = !field.empty() && (field[0] == '#' || field[0] == 'x' || field[0] == 'X' ||
                                      (field.size() > 1 && field[0] == '0' && (field[1] == 'x' || field[1] == 'X')));
  if (!hex) return DecimalValue(field);
  size_t at = 0;
  while (at < field.size() && HexDigitValue(field[at]) <= 0) ++at;
  uint32_t v = 0;
  for (int d; at < field.size() && (d = HexDigitValue(field[at])) >= 0; ++at) v = v * 16 + static_cast<uint32_t>(d);
  return v;
}

std::string PickedMatchData(Session& session, std::string_view options, uint32_t window, int32_t x, int32_t y) {
  Desktop& desktop = session.desktop();
  if (ContainsNoCase(options, " X")) {
    // The parent's corner is added back when the Step runs.
    if (ContainsNoCase(options, "Parent-Relative"))
      if (std::optional<WindowRect> r = desktop.GetWindowRect(desktop.WalkWindows(window, WindowStep::kParent))) {
        x -= r->left;
        y -= r->top;
      }
    return FormatText("%d, %d", x, y);
  }
  const uint32_t flags = SearchFlagsFromOptions(options);
  if (flags & findflag::kHandle) return std::to_string(window);
  constexpr uint32_t kLaterFields = findflag::kClass | findflag::kId | findflag::kUserData;
  std::string data;
  bool first = true;
  for (const FieldRow& field : kFields) {
    if (!(flags & field.flags)) continue;
    std::string value;
    if (field.flags == kTitleCriteria) {
      value = TitleOf(desktop, window);
      // A "|" would start the next field; the part before it still finds the window by a
      // partial title.
      if ((flags & kLaterFields) && value.find('|') != std::string::npos) value.resize(value.find('|'));
    } else if (field.flags == findflag::kClass) {
      value = desktop.ClassName(window);
    } else {
      value = Signed(desktop.WindowLong(window, field.flags == findflag::kId ? gwl::kId : gwl::kUserData));
    }
    if (!first) data += '|';
    first = false;
    data += value.substr(0, field.chars);
  }
  return data;
}

std::string PickedWindowName(Session& session, std::string_view options, uint32_t window) {
  if (ContainsNoCase(options, "Handle") || ContainsNoCase(options, "HWND")) return std::to_string(window);
  return TitleOf(session.desktop(), window);
}

bool IsWithinParent(Session& session, uint32_t window, uint32_t ancestor) {
  uint32_t at = window;
  for (int level = 0; level < kParentLevels && at; ++level) {
    at = session.desktop().WalkWindows(at, WindowStep::kParent);
    if (at == ancestor) return true;
  }
  return false;
}

bool IsFramed(Session& session, uint32_t window) {
  const auto style = static_cast<uint32_t>(session.desktop().WindowLong(window, gwl::kStyle));
  return (style & (ws::kDlgFrame | ws::kThickFrame)) != 0;
}

uint32_t FindMatchingWindow(Session& session, uint32_t flags, std::string_view matchData, uint32_t parent) {
  Desktop& desktop = session.desktop();
  if (flags & findflag::kHandle) {
    const uint32_t h = DecimalValue(matchData);
    if (h && desktop.IsWindow(h)) return h;
  }
  if (!parent && (flags & findflag::kFirst) && !matchData.empty()) {
    const std::string whole(matchData);
    if (flags & kTitleCriteria)
      if (uint32_t h = desktop.FindWindowByTitle(whole)) return h;
    if (flags & findflag::kClass)
      if (uint32_t h = desktop.FindWindowByClass(whole)) return h;
  }
  session.windowMatches = {};
  if (!desktop.IsWindow(parent)) parent = 0;
  if (matchData.empty() && !(flags & kModes)) return 0;
  return Search(session, flags, matchData, parent).Run();
}

}  // namespace plumo
