#include "actions/integration/prompts/prompt_actions.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>

#include "actions/desktop/bmp_file.h"
#include "actions/integration/action_context.h"
#include "actions/integration/prompts/prompt_rules.h"
#include "base/text.h"
#include "engine/failure.h"
#include "engine/run_controller.h"
#include "engine/run_log.h"
#include "engine/session.h"
#include "scripts/action_catalog.h"
#include "vars/system_variables.h"
#include "vars/text_format.h"

namespace plumo {
namespace {

constexpr int kCategory = category::kUserPrompts;
constexpr size_t kCaptionWidth = 260;
constexpr size_t kAnswerSpare = 4096;
constexpr size_t kMultiAnswerSpare = 16u << 20;
constexpr size_t kUserNameWidth = 64;
constexpr auto kStopPoll = std::chrono::milliseconds(100);
constexpr char kLoginUser[] = "*\\UserVariables\\login_username";
constexpr char kLoginPassword[] = "*\\UserVariables\\login_password";

struct Prompt {
  Session& session;
  int slot;
  int index;
  Step& step;

  std::string Expand(std::string_view field) const { return session.ExpandStep(field, slot, index); }
  void Store(std::string_view value) const { session.StoreOutput(slot, index, value, value.size()); }
  bool Unattended() const {
    return session.settings().ReadNumber(kUnattendedSetting) != 0 || !session.dialogs().CanAsk();
  }
  uint32_t TimeoutMs() const {
    const double seconds = TimeoutSeconds(session, slot, index);
    return seconds > 0 ? static_cast<uint32_t>(std::min(seconds * 1000.0, 4294967295.0)) : 0;
  }
  // Brings back the Current Window once a Step has activated it.
  void Reactivate() const {
    const uint32_t window = session.currentWindow.load();
    if (session.run.reactivateWindow && window != 0) (void)session.desktop().ActivateWindow(window);
  }
  void LogUnattended(std::string_view question, std::string_view answer) const {
    std::string q(Trim(question));
    std::replace(q.begin(), q.end(), '\r', ' ');
    std::replace(q.begin(), q.end(), '\n', ' ');
    LogLine(session, "    Unattended: \"" + Bounded(q, 200) + "\" answered \"" + Bounded(answer, 200) + "\"");
  }
};

// ---- Message boxes ------------------------------------------------------------------------

int MessageBoxStep(Prompt& p) {
  const uint32_t limitMs = p.TimeoutMs();
  if (limitMs > 0 && p.step.runCount == 1)
    LogLine(p.session, "    " + p.Expand(p.step.timeout) + " second(s) allowed for message to close");
  const std::string caption = Bounded(p.Expand(p.step.value1), kCaptionWidth);
  const std::string text = CutMessage(p.Expand(p.step.text));
  const std::string action = p.step.action.str();
  const uint32_t style = MessageStyleOf(action, p.step.options.str(), p.session.view().KeptOnTop());

  int answer;
  if (p.Unattended()) {
    const MessageButtons buttons = ButtonsOfStyle(style);
    answer = buttons.answers[buttons.defaultIndex];
    p.LogUnattended(text, buttons.labels[buttons.defaultIndex]);
  } else {
    answer = p.session.dialogs().ShowMessage(text, caption, style, limitMs);
  }
  p.session.SetPromptAnswer(answer, AnswerName(answer));
  const Script* script = p.session.scripts.At(p.slot);
  if (!script || p.index >= static_cast<int>(script->steps.size()) || script->steps[static_cast<size_t>(p.index)].category == 0)
    return result::kFailure;
  p.Reactivate();

  if (ContainsNoCase(action, "Ask")) p.Store(answer != answer::kNo && answer != 0 ? "1" : "0");
  else if (ContainsNoCase(action, "Custom")) p.Store(std::to_string(answer));
  return result::kSuccess;
}

// ---- Entry prompts --------------------------------------------------------------------------

// The calendar's "yyyy-mm-dd" for a date text as DATEVALUE reads it; empty when it names no
// date the calendar can show.
std::string IsoDateOf(Session& session, std::string_view text) {
  const std::optional<CivilDate> d = ParseDate(text, session.locale().Values(), session.clock());
  if (!d || d->month < 1 || d->month > 12 || d->day < 1 || d->day > 31 || d->year < 1601 || d->year > 9999) return {};
  char buf[32];
  std::snprintf(buf, sizeof(buf), "%04d-%02d-%02d", static_cast<int>(d->year), d->month, d->day);
  return buf;
}

std::string LocaleDateOf(Session& session, const std::string& iso) {
  SystemTime t;
  if (std::sscanf(iso.c_str(), "%4hu-%2hu-%2hu", &t.year, &t.month, &t.day) != 3) return iso;
  return FormatPicture(session.locale().Values().shortDateFormat, t, session.locale().Values());
}

std::string TodayIso(Session& session) {
  const SystemTime t = session.clock().LocalTime();
  char buf[32];
  std::snprintf(buf, sizeof(buf), "%04u-%02u-%02u", static_cast<unsigned>(t.year), static_cast<unsigned>(t.month),
                static_cast<unsigned>(t.day));
  return buf;
}

// The several items of a list answer, one per line, joined again by the list's separator
// (line ends as CR LF).
std::string JoinedItems(std::string_view lines, std::string_view listText) {
  const char separator = ListSeparator(listText);
  const std::string joint = separator == '\n' || separator == '\r' ? "\r\n" : std::string(1, separator);
  std::string out;
  size_t start = 0;
  while (start < lines.size()) {
    size_t end = lines.find('\n', start);
    if (end == std::string_view::npos) end = lines.size();
    if (start > 0) out += joint;
    out.append(lines.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

int EntryStep(Prompt& p) {
  Session& s = p.session;
  const std::string action = p.step.action.str();
  const std::string options = p.step.options.str();
  EntryRequest request;
  request.kind = EntryKindOf(action, options);
  request.flags = EntryFlagsOf(action, options);
  request.caption = Bounded(p.Expand(p.step.value1), kCaptionWidth);
  request.timeoutMs = p.TimeoutMs();
  request.owner = s.view().MainWindowHandle();

  const std::string rawInitial = p.step.outputValue.str();
  std::string initial = p.Expand(rawInitial);
  if (initial == rawInitial) initial.clear();
  request.maxAnswer = std::max(kAnswerSpare, initial.size() + (ContainsNoCase(options, "Multi") ? kMultiAnswerSpare : kAnswerSpare));

  const std::string text = p.Expand(p.step.text);
  if (request.kind == EntryKind::kList || request.kind == EntryKind::kMultiList) {
    if (request.flags & promptflag::kDrives) {
      request.prompt = text;
    } else {
      ListText list = SplitListText(text);
      request.prompt = std::move(list.prompt);
      request.items = std::move(list.items);
    }
  } else {
    request.prompt = text;
  }
  if (request.kind != EntryKind::kLogin) request.prompt = WithLeadingLine(request.prompt);
  if (request.kind == EntryKind::kDate) initial = IsoDateOf(s, initial);
  if (request.kind == EntryKind::kLogin) {
    if (p.step.output.str().empty()) initial = s.settings().ReadText(kLoginUser, kUserNameWidth);
    s.settings().Delete(kLoginPassword);
  }
  request.initial = initial;

  PromptAnswer answer;
  if (p.Unattended()) {
    answer = DefaultEntryAnswer(request);
    if (request.kind == EntryKind::kDate && answer.text.empty()) answer.text = TodayIso(s);
    p.LogUnattended(request.caption.empty() ? request.prompt : request.caption, answer.ok ? answer.text : "Cancel");
  } else {
    answer = s.dialogs().AskEntry(request);
  }
  p.Reactivate();
  if (!answer.ok) {
    s.SetPromptAnswer(0, "Cancel");
    return result::kSuccess;
  }
  if (answer.text.size() > request.maxAnswer) answer.text.resize(request.maxAnswer);
  std::string value = std::move(answer.text);
  switch (request.kind) {
    case EntryKind::kLogin: {
      const size_t cut = value.find(';');
      const std::string user = value.substr(0, cut);
      const std::string password = cut == std::string::npos ? std::string() : value.substr(cut + 1);
      s.settings().WriteText(kLoginUser, Bounded(user, kUserNameWidth));
      s.settings().WriteExactText(kLoginPassword, ScrambleLogin(password));
      break;
    }
    case EntryKind::kMultiList: value = JoinedItems(value, text); break;
    case EntryKind::kDate: value = LocaleDateOf(s, value); break;
    default: break;
  }
  if (!(request.flags & promptflag::kReadOnly)) p.Store(value);
  s.SetPromptAnswer(answer::kOk, "OK");
  return result::kSuccess;
}

// ---- Files and folders ----------------------------------------------------------------------

struct FileKindRow {
  const char* word;
  FileKind kind;
};
constexpr FileKindRow kFileKinds[] = {
    {"File Open Multiple", FileKind::kOpenMultiple}, {"File Save", FileKind::kSave}, {"", FileKind::kOpen}};

int FileStep(Prompt& p) {
  Session& s = p.session;
  FileRequest request;
  const std::string options = p.step.options.str();
  if (ContainsNoCase(p.step.action.str(), "Folder")) {
    request.kind = FileKind::kFolder;
  } else {
    for (const FileKindRow& row : kFileKinds)
      if (ContainsNoCase(options, row.word)) {
        request.kind = row.kind;
        break;
      }
    request.filter = p.Expand(p.step.text);
  }
  request.caption = Bounded(p.Expand(p.step.value1), kCaptionWidth);
  const std::string rawInitial = p.step.outputValue.str();
  request.initial = p.Expand(rawInitial);
  if (request.initial == rawInitial) request.initial.clear();
  request.owner = s.view().MainWindowHandle();

  PromptAnswer answer;
  if (p.Unattended()) {
    answer.ok = !request.initial.empty();
    answer.text = request.initial;
    p.LogUnattended(request.caption.empty() ? p.step.action.str() : request.caption, answer.ok ? answer.text : "Cancel");
  } else {
    answer = s.dialogs().AskFile(request);
  }
  p.Reactivate();
  if (!answer.ok) {
    s.SetPromptAnswer(0, "Cancel");
    return result::kSuccess;
  }
  p.Store(answer.text);
  s.SetPromptAnswer(answer::kOk, "OK");
  return result::kSuccess;
}

// ---- Popups and the tray icon ---------------------------------------------------------------

PopupKind PopupKindOf(std::string_view action, std::string_view options) {
  if (ContainsNoCase(action, "Screen Message")) return PopupKind::kScreenMessage;
  if (ContainsNoCase(action, "Progress")) return PopupKind::kProgress;
  if (ContainsNoCase(action, "Balloon")) {
    if (ContainsNoCase(options, "Floating Track")) return PopupKind::kTrackingBalloon;
    return ContainsNoCase(options, "Floating") ? PopupKind::kFloatingBalloon : PopupKind::kBalloon;
  }
  return PopupKind::kStatus;
}

// "X,Y Screen Position" (value2): "x,y", else centred; "Width" and "Height" (value3, value4).
void PlacePopup(Prompt& p, PopupRequest& r) {
  const std::string at = p.Expand(p.step.value2);
  const size_t comma = at.find(',');
  if (comma != std::string::npos && !ContainsNoCase(at, "Center")) {
    const std::optional<int64_t> x = WholeNumber(std::string_view(at).substr(0, comma));
    const std::optional<int64_t> y = WholeNumber(std::string_view(at).substr(comma + 1));
    if (x && y) {
      r.centered = false;
      r.x = static_cast<int>(std::clamp<int64_t>(*x, -32768, 32767));
      r.y = static_cast<int>(std::clamp<int64_t>(*y, -32768, 32767));
    }
  }
  r.width = static_cast<int>(std::clamp<int64_t>(WholeNumber(p.Expand(p.step.value3)).value_or(0), 0, 8192));
  r.height = static_cast<int>(std::clamp<int64_t>(WholeNumber(p.Expand(p.step.value4)).value_or(0), 0, 8192));
}

int PopupStep(Prompt& p) {
  Session& s = p.session;
  const std::string options = p.step.options.str();
  PopupRequest r;
  r.kind = PopupKindOf(p.step.action.str(), options);
  r.text = p.Expand(p.step.text);
  // A popup Step without text takes its popup down.
  if (Trim(r.text).empty()) {
    s.dialogs().ClosePopup(r.kind);
    return result::kSuccess;
  }
  r.caption = Bounded(p.Expand(p.step.value1), kCaptionWidth);
  r.timeoutMs = p.TimeoutMs();
  r.percent = std::clamp(LeadingInteger(r.text), 0, 100);
  r.topmost = r.kind == PopupKind::kScreenMessage || HasOption(options, "Topmost");
  r.centerText = HasOption(options, "Center");
  PlacePopup(p, r);
  s.dialogs().ShowPopup(r);
  return result::kSuccess;
}

// "Display Image": the picture file of `text` at "Zoom Percentage" (value3), placed like a popup.
int ImageStep(Prompt& p) {
  Session& s = p.session;
  const std::string path = p.Expand(p.step.text);
  if (Trim(path).empty()) {
    s.dialogs().ClosePopup(PopupKind::kImage);
    return result::kSuccess;
  }
  PopupRequest r;
  r.kind = PopupKind::kImage;
  r.caption = path;
  if (ContainsNoCase(path, ".bmp")) {
    std::string bytes, error;
    bool opened = false;
    if (OsError e = s.files().ReadFile(path, &bytes, &opened); !e.ok()) return s.Fail("Cannot read the picture \"" + path + "\": " + e.ToString());
    r.picture = ReadBmp(bytes, &error);
    if (!r.picture) return s.Fail("Cannot read the picture \"" + path + "\": " + error);
  } else {
    OsError e;
    r.picture = s.desktop().ReadPictureFile(path, &e);
    if (!r.picture) return s.Fail("Cannot read the picture \"" + path + "\": " + e.ToString());
  }
  r.zoomPercent = static_cast<int>(std::clamp<int64_t>(WholeNumber(p.Expand(p.step.value3)).value_or(100), 1, 1000));
  r.timeoutMs = p.TimeoutMs();
  r.topmost = HasOption(p.step.options.str(), "Topmost");
  PlacePopup(p, r);
  r.width = r.height = 0;  // the picture decides
  s.dialogs().ShowPopup(r);
  return result::kSuccess;
}

int TrayIconStep(Prompt& p) {
  Session& s = p.session;
  if (ContainsNoCase(p.step.options.str(), "Remove")) {
    s.dialogs().RemoveTrayIcon();
    return result::kSuccess;
  }
  std::string title = Bounded(p.Expand(p.step.value1), 128);
  if (title.empty()) title = "Plumo";
  if (!s.dialogs().ShowTrayIcon(title)) return s.Fail("The tray icon could not be added");
  return result::kSuccess;
}

// ---- Custom Dialog --------------------------------------------------------------------------

// The Step of the Label named, -1 for none.
int LabelStep(const Script& script, std::string_view label) {
  for (size_t i = 0; i < script.steps.size(); ++i) {
    const Step& s = script.steps[i];
    if (!s.Skipped() && EqualsNoCase(s.action, "Label") && EqualsNoCase(s.text, label)) return static_cast<int>(i);
  }
  return -1;
}

// "Title" (value1), "[n] Control Type" (value2..value6) and "[n] Text" (the text, '|' between
// slots). A button "Caption: Label" whose label is a Label of the Script goes on there.
int CustomDialogStep(Prompt& p) {
  Session& s = p.session;
  const Script& script = *s.scripts.At(p.slot);
  const Text260* words[kCustomSlots] = {&p.step.value2, &p.step.value3, &p.step.value4, &p.step.value5, &p.step.value6};
  const std::vector<std::string> texts = CustomTexts(p.Expand(p.step.text));
  CustomRequest request;
  request.caption = Bounded(p.Expand(p.step.value1), kCaptionWidth);
  request.timeoutMs = p.TimeoutMs();
  request.topmost = HasOption(p.step.options.str(), "Top") || s.view().KeptOnTop();
  request.owner = s.view().MainWindowHandle();
  std::vector<int> jumps(kCustomSlots, -1);
  size_t used = 0;
  for (size_t n = 0; n < kCustomSlots; ++n) {
    const std::string word = p.Expand(*words[n]);
    const std::optional<CustomKind> kind = CustomKindOf(word);
    if (!kind) return s.Fail(FormatText("Unknown control type \"%s\" in [%d] Control Type", Bounded(word, 64).c_str(), static_cast<int>(n) + 1));
    CustomControl c = CustomControlOf(*kind, texts[n]);
    if (c.kind == CustomKind::kButton) {
      const size_t colon = c.text.rfind(':');
      const int at = colon == std::string::npos ? -1 : LabelStep(script, Trim(std::string_view(c.text).substr(colon + 1)));
      if (at >= 0) {
        jumps[n] = at;
        c.text = std::string(Trim(std::string_view(c.text).substr(0, colon)));
      }
    }
    if (c.kind != CustomKind::kNone) used = n + 1;
    request.controls.push_back(std::move(c));
  }

  CustomAnswer answer;
  if (p.Unattended()) {
    answer = DefaultCustomAnswer(request);
    p.LogUnattended(request.caption.empty() ? p.step.action.str() : request.caption, "OK");
  } else {
    answer = s.dialogs().AskCustom(request);
  }
  p.Reactivate();
  const int slot = answer.pressed - kCustomButton;
  const bool byButton = slot >= 1 && slot <= static_cast<int>(kCustomSlots) && request.controls[static_cast<size_t>(slot - 1)].kind == CustomKind::kButton;
  if (answer.pressed != answer::kOk && !byButton) {
    s.SetPromptAnswer(0, "Cancel");
    return result::kSuccess;
  }
  // One line per slot up to the last one used, so that line n is always slot n.
  answer.values.resize(kCustomSlots);
  std::string lines;
  for (size_t n = 0; n < used; ++n) {
    if (n > 0) lines += "\r\n";
    lines += answer.values[n];
  }
  p.Store(lines);
  if (!byButton) {
    s.SetPromptAnswer(answer::kOk, "OK");
    return result::kSuccess;
  }
  s.SetPromptAnswer(answer.pressed, request.controls[static_cast<size_t>(slot - 1)].text);
  if (const int to = jumps[static_cast<size_t>(slot - 1)]; to >= 0) {
    LogLine(s, FormatText("    Jumping to label \"%s\" at [Step %d]", script.steps[static_cast<size_t>(to)].text.c_str(), to + 1));
    s.run.nextStep = to;
  }
  return result::kSuccess;
}

using PromptFn = int (*)(Prompt&);
struct PromptRow {
  const char* keyword;
  PromptFn fn;
};
// By a keyword of the action name, first match.
constexpr PromptRow kPromptRows[] = {
    {"Display Message", MessageBoxStep}, {"Display Warning", MessageBoxStep}, {"Ask", MessageBoxStep},
    {"Custom Message", MessageBoxStep},  {"Input", EntryStep},                {"Login", EntryStep},
    {"List", EntryStep},                 {"Drive", EntryStep},                {"Date", EntryStep},
    {"Select File", FileStep},           {"Select Folder", FileStep},         {"Screen Message", PopupStep},
    {"Popup", PopupStep},                {"Tray", TrayIconStep},              {"Display Image", ImageStep},
    {"Custom Dialog", CustomDialogStep},
};

int RunPromptStep(Session& session, int slot, int index) {
  Step& step = session.scripts.StepAt(slot, index);
  Prompt p{session, slot, index, step};
  for (const PromptRow& row : kPromptRows)
    if (ContainsNoCase(step.action.str(), row.keyword)) return row.fn(p);
  return session.Fail(FormatText("Internal error: '%d'", index));
}

// The run thread's side: the Step runs on the main thread while this thread waits, and a stop
// (flag or key) closes the open prompt until the main thread answers.
int HandOver(Session& session, int slot, int index) {
  struct Shared {
    std::mutex mu;
    std::condition_variable cv;
    bool done = false;
    int result = result::kFailure;
  };
  auto shared = std::make_shared<Shared>();
  session.mainQueue().Post([&session, shared, slot, index] {
    const int r = RunForwardedCommand(session, ForwardNotifyCode(kCategory), ForwardParameter(slot, index));
    std::lock_guard<std::mutex> lock(shared->mu);
    shared->result = r;
    shared->done = true;
    shared->cv.notify_all();
  });
  bool stopped = false;
  std::unique_lock<std::mutex> lock(shared->mu);
  while (!shared->cv.wait_for(lock, kStopPoll, [&] { return shared->done; })) {
    lock.unlock();
    if (stopped || session.StopRequested()) {
      stopped = true;
      session.dialogs().CancelPrompts();
    }
    lock.lock();
  }
  return stopped ? result::kStop : shared->result;
}

}  // namespace

void RegisterPromptActions(Session& session) {
  session.executors.Register(kCategory, [](Session& s, int slot, int index, bool mainThread) {
    return mainThread ? RunPromptStep(s, slot, index) : HandOver(s, slot, index);
  });
  // Popups and the tray icon are the main thread's windows; they go with the run.
  session.AddFinishHook(FinishPhase::kTray, [](Session& s, int) {
    s.mainQueue().Call([&s] {
      s.dialogs().ClosePopups();
      s.dialogs().RemoveTrayIcon();
      return 0;
    });
  });
}

}  // namespace plumo
