#include "editor/properties.h"

#include <algorithm>
#include <type_traits>

#include "scripts/properties_vocabulary.h"

namespace plumo {
namespace {

constexpr std::string_view kOptionalOutput = "(Optional Output Data)";
constexpr std::string_view kOptionalFailure = "(Optional Failure Data)";
constexpr std::string_view kSaveOutputTo = "Save Output To";
constexpr std::string_view kOnFailure = "On Failure";
constexpr std::string_view kSnapshotLabel = "On Failure: Snapshot";
constexpr std::string_view kLogLabel = "On Failure: Log";
constexpr std::string_view kCommentLabel = "Comment";
constexpr std::string_view kTimeoutLabel = "Timeout";
constexpr std::string_view kRecordingPrompt = "Click to start new Recording";

struct Keyword {
  std::string_view word;
  std::string_view label;
};

// First word the target holds, case-sensitive; "Memory" before "Variable" ("Memory Variable").
constexpr Keyword kOutputLabels[] = {
    {"Memory", "Save Output: {1} - {9}"}, {"Variable", "Save Output: Variable Name"},
    {"File", "Save Output: File Name"},   {"Excel", "Save Output: XLS File"},
    {"PDF", "Save Output: PDF File"},
};

// The run engine's order of failure-mode keywords (matched without regard to case), so that a
// mode's argument row names what the engine will do with it.
constexpr Keyword kFailureLabels[] = {
    {"RETRY", "On Failure: Retries"}, {"ERROR", kOptionalFailure}, {"SILENT", kOptionalFailure},
    {"ASK", kOptionalFailure},        {"JUMP", "On Failure: Label Name"}, {"VARIABLE", "On Failure: Variable Name"},
    {"RESTART", kOptionalFailure},    {"PROGRAM", "On Failure: Program"},
};

std::string_view ChoicesOf(std::string_view label) {
  for (const ChoiceRow& row : kOtherChoiceRows)
    if (row.label == label) return row.choices;
  return {};
}

// Text260 or const Text260, as the Step is.
template <class S>
std::conditional_t<std::is_const_v<S>, const Text260*, Text260*> BoundedField(S& s, StepField field) {
  switch (field) {
    case StepField::kData: return &s.data;
    case StepField::kTimeout: return &s.timeout;
    case StepField::kOutputValue: return &s.outputValue;
    case StepField::kOptions: return &s.options;
    case StepField::kOnfailValue: return &s.onfailValue;
    default:
      if (field >= StepField::kValue1 && field <= StepField::kValue8)
        return &s.Value(static_cast<int>(field) - static_cast<int>(StepField::kValue1) + 1);
      return nullptr;
  }
}

constexpr size_t kTextParts = 5;

// Like the Custom Dialog reads them: split at "|", the last part keeping any further "|".
std::vector<std::string_view> TextParts(std::string_view text) {
  std::vector<std::string_view> parts;
  while (parts.size() + 1 < kTextParts) {
    const size_t bar = text.find('|');
    if (bar == std::string_view::npos) break;
    parts.push_back(text.substr(0, bar));
    text.remove_prefix(bar + 1);
  }
  parts.push_back(text);
  return parts;
}

std::string WithTextPart(std::string_view text, int part, std::string_view value) {
  std::vector<std::string_view> parts = TextParts(text);
  if (parts.size() < static_cast<size_t>(part)) parts.resize(static_cast<size_t>(part));
  parts[static_cast<size_t>(part) - 1] = value;
  while (parts.size() > 1 && parts.back().empty()) parts.pop_back();
  std::string joined;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i) joined += '|';
    joined += parts[i];
  }
  return joined;
}

std::string FieldText(const Step& s, StepField field, int textPart) {
  switch (field) {
    case StepField::kText: {
      if (textPart == 0) return s.text;
      const std::vector<std::string_view> parts = TextParts(s.text);
      return static_cast<size_t>(textPart) <= parts.size() ? std::string(parts[static_cast<size_t>(textPart) - 1]) : "";
    }
    case StepField::kComment: return s.comment;
    case StepField::kOutput: return s.output.str();
    case StepField::kOnfail: return s.onfail.str();
    case StepField::kOnfailImage: return s.onfailImage != 0 ? "1" : "0";
    case StepField::kOnfailLog: return s.onfailLog != 0 ? "1" : "0";
    default: return BoundedField(s, field)->str();
  }
}

void SetField(Step& s, StepField field, int textPart, std::string_view value) {
  switch (field) {
    case StepField::kText: s.text = textPart == 0 ? std::string(value) : WithTextPart(s.text, textPart, value); return;
    case StepField::kComment: s.comment = value; return;
    case StepField::kOutput: s.output = value; return;
    case StepField::kOnfail: s.onfail = value; return;
    case StepField::kOnfailImage: s.onfailImage = value == "1" ? 1 : 0; return;
    case StepField::kOnfailLog: s.onfailLog = value == "1" ? 1 : 0; return;
    default: *BoundedField(s, field) = value; return;
  }
}

bool Checked(std::string_view value) { return !value.empty() && value != "0"; }

PropertyRow RowOf(const PropertyRowDef& def, bool readOnly = false) {
  PropertyRow row;
  row.label = def.label;
  row.editor = def.editor;
  row.field = def.field;
  row.textPart = def.textPart;
  row.choices = def.choices;
  row.option = def.option;
  row.help = def.help;
  row.readOnly = readOnly;
  return row;
}

PropertyRow CommonRow(std::string_view label, EditorKind editor, StepField field, std::string_view help,
                      std::string_view choices = {}, bool readOnly = false) {
  PropertyRowDef def;
  def.label = label;
  def.editor = editor;
  def.field = field;
  def.choices = choices;
  def.help = help;
  return RowOf(def, readOnly);
}

void AddCommonRows(const Step& step, bool hasOutput, bool canFail, std::vector<PropertyRow>& rows) {
  const bool timeoutShown =
      std::any_of(rows.begin(), rows.end(), [](const PropertyRow& r) { return r.field == StepField::kTimeout; });
  if (hasOutput) {
    rows.push_back(CommonRow(kSaveOutputTo, EditorKind::kChoice, StepField::kOutput, "Where the action's result is stored.",
                             ChoicesOf(kSaveOutputTo)));
    const std::string_view label = OutputValueLabel(step.output);
    const bool toFile = label == "Save Output: File Name" || label == "Save Output: XLS File" || label == "Save Output: PDF File";
    rows.push_back(CommonRow(label, toFile ? EditorKind::kFile : EditorKind::kText, StepField::kOutputValue,
                             "The variable, memory slot or file the result goes to.", {}, label == kOptionalOutput));
  }
  if (canFail) {
    // The run tries a failing Step again until its time-out has passed, whatever the action.
    if (!timeoutShown)
      rows.push_back(CommonRow(kTimeoutLabel, EditorKind::kNumber, StepField::kTimeout,
                               "Seconds during which a failing Step is tried again before it counts as failed; empty or 0 "
                               "tries once."));
    rows.push_back(CommonRow(kOnFailure, EditorKind::kChoice, StepField::kOnfail, "What happens when the Step fails.",
                             ChoicesOf(kOnFailure)));
    const std::string_view label = FailureValueLabel(step.onfail);
    rows.push_back(CommonRow(label, label == "On Failure: Program" ? EditorKind::kFile : EditorKind::kText,
                             StepField::kOnfailValue, "The retries, label, variable or program the failure mode uses.", {},
                             label == kOptionalFailure));
    rows.push_back(CommonRow(kSnapshotLabel, EditorKind::kCheck, StepField::kOnfailImage,
                             "Save a picture of the screen when the Step fails."));
    rows.push_back(CommonRow(kLogLabel, EditorKind::kCheck, StepField::kOnfailLog, "Turn the run log on when the Step fails."));
  }
  rows.push_back(CommonRow(kCommentLabel, EditorKind::kLines, StepField::kComment,
                           "A note shown beside the Step in the list; the run ignores it."));
}

std::string CurrentValue(const Step& step, const PropertyRow& row) {
  if (row.editor == EditorKind::kRecording) return std::string(kRecordingPrompt);
  if (row.field == StepField::kOptions)
    return row.editor == EditorKind::kCheck ? (HasOption(step.options, row.option) ? "1" : "0")
                                            : CurrentChoice(row.choices, step.options);
  return FieldText(step, row.field, row.textPart);
}

// newValue as the list spells it; empty when it is none of the items.
std::string_view ListItem(std::string_view choices, std::string_view newValue) {
  for (std::string_view item : ChoiceItems(choices))
    if (EqualsNoCase(item, newValue)) return item;
  return {};
}

}  // namespace

std::string_view OutputValueLabel(std::string_view output) {
  for (const Keyword& k : kOutputLabels)
    if (output.find(k.word) != std::string_view::npos) return k.label;
  return kOptionalOutput;
}

std::string_view FailureValueLabel(std::string_view onfail) {
  if (onfail.empty()) return kOptionalFailure;  // the engine's "Display Error and Stop"
  for (const Keyword& k : kFailureLabels)
    if (ContainsNoCase(onfail, k.word)) return k.label;
  return kOptionalFailure;
}

std::vector<PropertyRow> PropertyRowsFor(const Step& step, const ActionCatalog& catalog, const PropertyTable& table) {
  ActionInfo info;
  info.hasOutput = step.hasOutput;
  info.canFail = step.canFail;
  catalog.Lookup(step.action, &info);
  std::vector<PropertyRow> rows;
  rows.reserve(kMaxPropertyRows);
  if (const std::vector<PropertyRowDef>* defs = table.RowsFor(step.action)) {
    for (const PropertyRowDef& def : *defs)
      rows.push_back(RowOf(def, def.editor == EditorKind::kRecording));
  }
  AddCommonRows(step, info.hasOutput != 0, info.canFail != 0, rows);
  if (rows.size() > kMaxPropertyRows) rows.resize(kMaxPropertyRows);
  for (size_t i = 0; i < rows.size(); ++i) {
    rows[i].position = static_cast<int>(i);
    rows[i].value = CurrentValue(step, rows[i]);
  }
  return rows;
}

bool ApplyProperty(Step& step, const PropertyRow& row, std::string_view newValue) {
  if (row.readOnly && row.editor != EditorKind::kRecording) return false;
  if (row.field == StepField::kOptions) {
    const std::string before = step.options.str();
    if (row.editor == EditorKind::kCheck) {
      if (Checked(newValue)) AddOption(step.options, row.option);
      else RemoveOption(step.options, row.option);
      return step.options.str() != before;
    }
    const std::string_view item = ListItem(row.choices, newValue);
    if (item.empty() && !newValue.empty()) return false;
    // The chosen word keeps its place when it is there already.
    for (std::string_view other : ChoiceItems(row.choices))
      if (other != item) RemoveOption(step.options, other);
    if (!item.empty()) AddOption(step.options, item);
    return step.options.str() != before;
  }
  const std::string before = FieldText(step, row.field, row.textPart);
  SetField(step, row.field, row.textPart, row.editor == EditorKind::kCheck ? (Checked(newValue) ? "1" : "0") : newValue);
  return FieldText(step, row.field, row.textPart) != before;
}

}  // namespace plumo
