#include "scripts/script.h"

#include <algorithm>
#include <iterator>
#include <new>

namespace plumo {
namespace {

// Actions that never take the default result target (matched case-sensitively inside the name).
constexpr std::string_view kKeepsOwnOutput[] = {"Use Window",    "Call DLL Function", "Call Script",
                                                "Move to Image", "Click on Image",    "Wait for ",
                                                "IF ",           "Windows API"};
// New Steps that close a block sit one level further out.
constexpr std::string_view kBlockClosers[] = {"END IF", "NEXT LOOP", "ELSE"};

bool Contains(std::string_view s, std::string_view part) { return s.find(part) != std::string_view::npos; }

bool OpensBlock(const Step& s) {
  if (s.Skipped()) return false;
  return IsBlockIf(s) || s.action == "ELSE" || OpensLoopIndent(s);
}

bool TakesDefaultOutput(std::string_view action) {
  for (auto name : kKeepsOwnOutput)
    if (Contains(action, name)) return false;
  return !(Contains(action, "Start") && Contains(action, "Loop"));
}

// "%" before a variable name, unless it already starts with "%" or "{".
void MarkVariable(std::string_view kind, Text260& target) {
  if (!Contains(kind, "Variable") || target.empty()) return;
  const char first = target.str()[0];
  if (first != '%' && first != '{') target = "%" + target.str();
}

}  // namespace

bool StepCountAllowed(size_t steps) { return steps >= 1 && steps <= kMaxStepsPerLoad; }

void ApplyNewStepDefaults(const Step* before, Step& step, const NewStepDefaults& defaults) {
  if (defaults.indentNewColumns && before) {
    int32_t indents = before->indents + (OpensBlock(*before) ? 1 : 0);
    for (auto closer : kBlockClosers)
      if (EqualsNoCase(step.action, closer)) indents = std::max(0, indents - 1);
    step.indents = indents;
  }
  if (step.output.empty() && step.hasOutput && TakesDefaultOutput(step.action)) {
    const Text64 outputTo(defaults.outputTo);
    if (!outputTo.empty() && outputTo != kDoNotSave) {
      step.output = outputTo;
      step.outputValue = defaults.outputToOption;
    }
  }
  if (step.onfail.empty() && step.canFail) {
    step.onfail = defaults.failureMode;
    step.onfailValue = defaults.failureModeOption;
  }
}

InsertOutcome InsertSteps(Script& script, long position, std::vector<Step> steps, bool asNew,
                          const NewStepDefaults& defaults) {
  if (!StepCountAllowed(steps.size())) return {0, kStepCountMessage};
  const size_t at = position <= 0 ? 0 : std::min(static_cast<size_t>(position), script.steps.size());
  if (asNew) {
    const Step* before = at > 0 ? &script.steps[at - 1] : nullptr;
    for (Step& s : steps) {
      ApplyNewStepDefaults(before, s, defaults);
      before = &s;
    }
  }
  try {
    // Steps move without throwing, so a failed allocation leaves the Script as it was.
    script.steps.insert(script.steps.begin() + static_cast<std::ptrdiff_t>(at),
                        std::make_move_iterator(steps.begin()), std::make_move_iterator(steps.end()));
  } catch (const std::bad_alloc&) {
    return {0, kNoMemoryMessage};
  }
  return {steps.size(), ""};
}

void NormaliseTargets(Script& script) {
  for (Step& s : script.steps) {
    s.output = std::string(Trim(s.output));
    s.outputValue = std::string(Trim(s.outputValue));
    if (EqualsNoCase(s.action, "Label")) s.text = std::string(Trim(s.text));
    MarkVariable(s.output, s.outputValue);
    MarkVariable(s.onfail, s.onfailValue);
  }
}

void ChangeStatusAll(Script& script, uint32_t bits, StatusChange change) {
  for (Step& s : script.steps) ChangeStatus(s, bits, change);
}

std::optional<int> ScriptSlots::FreeSlot() const {
  for (int i = 0; i < kCount; ++i)
    if (!slots_[i]) return i;
  return std::nullopt;
}

std::optional<int> ScriptSlots::Open(Script script) {
  const auto slot = FreeSlot();
  if (slot) slots_[*slot] = std::move(script);
  return slot;
}

bool ScriptSlots::Set(int slot, Script script) {
  if (slot < 0 || slot >= kCount || Running(slot)) return false;
  slots_[slot] = std::move(script);
  return true;
}

bool ScriptSlots::Close(int slot) {
  if (slot < 0 || slot >= kCount || Running(slot)) return false;
  slots_[slot].reset();
  return true;
}

Script* ScriptSlots::Editable(int slot) { return Running(slot) ? nullptr : At(slot); }

void ScriptSlots::SetRunning(int slot, bool running) {
  if (slot >= 0 && slot < kCount) running_[slot] = running;
}

bool ScriptSlots::Running(int slot) const { return slot >= 0 && slot < kCount && running_[slot].load(); }

Script* ScriptSlots::At(int slot) {
  return slot >= 0 && slot < kCount && slots_[slot] ? &*slots_[slot] : nullptr;
}

const Script* ScriptSlots::At(int slot) const {
  return slot >= 0 && slot < kCount && slots_[slot] ? &*slots_[slot] : nullptr;
}

std::string TooManyScriptsMessage() {
  return "A maximum of " + std::to_string(ScriptSlots::kCount) +
         " files may be opened in Plumo.\n\nPlease close a file before opening another one.";
}

}  // namespace plumo
