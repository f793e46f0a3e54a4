// The keyboard actions (category 4): Type, Direct Window Entry, Text via Clipboard, Block and
// Unblock Input.
#include "actions/desktop/keyboard_actions.h"

#include <algorithm>

#include "actions/desktop/key_input.h"
#include "actions/desktop/window_actions.h"
#include "actions/desktop/window_activation.h"
#include "base/text.h"
#include "engine/run_controller.h"
#include "engine/run_log.h"
#include "engine/session.h"
#include "scripts/action_catalog.h"

namespace plumo {
namespace {

constexpr uint32_t kPasteSettleMs = 500;
constexpr uint8_t kKeyV = 'V';

std::string StepText(Session& session, int slot, int index) {
  const Step& step = session.scripts.StepAt(slot, index);
  const unsigned flags = ContainsNoCase(step.options, "No Variable Expansion") ? expandflag::kNone : 0;
  return session.ExpandStep(step.text, slot, index, flags);
}

// A line break is typed as one Enter.
std::string WithoutCrBeforeLf(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
  return out;
}

int Type(Session& session, int slot, int index) {
  const Step& step = session.scripts.StepAt(slot, index);
  const int delay = LeadingInteger(session.ExpandStep(step.value1, slot, index));
  std::string text = WithoutCrBeforeLf(StepText(session, slot, index));
  KeySending how;
  how.method = ContainsNoCase(step.options, "SendKey") ? KeyMethod::kSendKeys : KeyMethod::kSimulated;
  how.delayMs = static_cast<uint32_t>(std::max(delay, 0));
  how.heldMask = &session.run.heldModifiers;
  how.pause = [&session](uint32_t ms) { return session.SleepInRun(ms); };
  SendKeyText(session.desktop(), std::move(text), how);
  return result::kSuccess;
}

int DirectWindowEntry(Session& session, int slot, int index) {
  const uint32_t window = ResolveWindow(session, slot, index, session.scripts.StepAt(slot, index).data);
  if (!window) return result::kFailure;
  SetWindowTextOrItems(session, window, StepText(session, slot, index));
  return result::kSuccess;
}

int TextViaClipboard(Session& session, int slot, int index) {
  Clipboard& clipboard = session.clipboard();
  Desktop& d = session.desktop();
  const std::optional<std::string> kept = clipboard.Text();
  // Pasting whatever the clipboard held instead would type the wrong text without a word.
  if (OsError e = clipboard.SetText(StepText(session, slot, index)); !e.ok())
    return session.Fail("The text could not be put on the clipboard: " + e.ToString());
  (void)d.KeyboardEvent(vk::kControl, d.ScanCodeOf(vk::kControl), keyevent::kExtendedKey);
  (void)d.KeyboardEvent(kKeyV, d.ScanCodeOf(kKeyV), 0);
  (void)d.KeyboardEvent(kKeyV, d.ScanCodeOf(kKeyV), keyevent::kKeyUp);
  (void)d.KeyboardEvent(vk::kControl, d.ScanCodeOf(vk::kControl), keyevent::kExtendedKey | keyevent::kKeyUp);
  session.clock().Sleep(kPasteSettleMs);
  if (kept && !kept->empty() && !clipboard.SetText(*kept).ok()) LogLine(session, "    The clipboard's text could not be put back");
  return result::kSuccess;
}

int BlockInput(Session& session, const Step& step) {
  if (session.desktop().BlockInput(!ContainsNoCase(step.action, "Unblock")).ok()) return result::kSuccess;
  return session.Fail("Unable to load USER32.DLL");
}

}  // namespace

int KeyboardExecutor(Session& session, int slot, int index, bool) {
  if (!session.desktop().HasDesktop()) return NeedsDesktop(session, slot, index);
  const Step& step = session.scripts.StepAt(slot, index);
  std::string_view name = step.action;
  if (ContainsNoCase(name, "Block Input")) return BlockInput(session, step);
  if (ContainsNoCase(name, "Direct Window Entry")) return DirectWindowEntry(session, slot, index);
  if (!ContainsNoCase(name, "Text via Clipboard")) return Type(session, slot, index);
  return TextViaClipboard(session, slot, index);
}

void RegisterKeyboardActions(Session& session) { session.executors.Register(category::kKeyboard, KeyboardExecutor); }

}  // namespace plumo
